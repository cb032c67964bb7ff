#pragma once

#include "platform/Clipboard.h"

namespace kivrano::platform {

// The desktop's clipboard (not the primary selection) through Qt. Needs a QGuiApplication;
// without one the clipboard cannot be opened. Owning the clipboard means answering other
// programs' requests, so waits while we own it must use QtPause, never a bare sleep.
class QtClipboard : public Clipboard {
public:
    bool open() override;
    void close() override {}
    void empty() override;
    void setText(const std::string& text) override;
    void setSecretText(const std::string& text) override;
    std::optional<std::string> text() const override;
    bool isOwner() const override;

    // The format that marks a secret (KDE's convention, read by Klipper, GPaste, CopyQ and
    // other clipboard managers), and its value.
    static constexpr const char* kPasswordHintFormat = "x-kde-passwordManagerHint";
    static constexpr const char* kPasswordHintSecret = "secret";
};

}  // namespace kivrano::platform
