#pragma once

#include "platform/Clipboard.h"

namespace kivrano::platform {

// An in-memory clipboard. Using it without opening it first is a programming error and
// throws, as it would fail on a real desktop.
class MemoryClipboard : public Clipboard {
public:
    bool open() override;
    void close() override;
    void empty() override;
    void setText(const std::string& text) override;
    void setSecretText(const std::string& text) override;
    std::optional<std::string> text() const override;
    bool isOwner() const override { return m_owner; }

    // Another program holding the clipboard: open() fails while this is false.
    void setOpenable(bool openable) { m_openable = openable; }
    bool isOpen() const { return m_open; }
    // What another program would read now.
    const std::optional<std::string>& content() const { return m_content; }
    // Whether the content was put as a secret (hidden from clipboard managers).
    bool contentIsSecret() const { return m_secret; }
    // How many secrets were put, also those emptied since.
    int secretsPut() const { return m_secretsPut; }
    // Another program puts a text: it owns the clipboard now.
    void setContent(std::optional<std::string> content) {
        m_content = std::move(content);
        m_secret = false;
        m_owner = false;
    }

private:
    void requireOpen() const;

    bool m_openable = true;
    bool m_open = false;
    std::optional<std::string> m_content;
    bool m_secret = false;
    bool m_owner = false;
    int m_secretsPut = 0;
};

}  // namespace kivrano::platform
