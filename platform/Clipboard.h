#pragma once

#include <optional>
#include <string>

namespace kivrano::platform {

// The system clipboard's text. Texts are the vault's bytes: UTF-8 where they are valid
// UTF-8, otherwise Windows-1252; a backend converts to and from its own encoding.
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // False when the clipboard cannot be opened now; nothing else may be called then.
    virtual bool open() = 0;
    virtual void close() = 0;

    // Drops whatever the clipboard held.
    virtual void empty() = 0;
    virtual void setText(const std::string& text) = 0;
    // A text that must not outlive its paste (a password): offered with the hint that tells
    // clipboard managers and histories not to keep it, and never put into the primary
    // selection.
    virtual void setSecretText(const std::string& text) = 0;
    // Nothing when the clipboard holds no text.
    virtual std::optional<std::string> text() const = 0;
    // Whether the clipboard still holds what this program put there last; false once
    // another program has put something on it.
    virtual bool isOwner() const = 0;
};

}  // namespace kivrano::platform
