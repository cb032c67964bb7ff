#pragma once

#include <QString>

#include <string>

namespace kivrano::platform {

// Vault texts are bytes: valid UTF-8 is read as UTF-8, anything else as Windows-1252, so that
// no byte is ever lost on the way to the screen or the clipboard.
QString fromVaultText(const std::string& bytes);
// Text from the window system, as UTF-8 bytes.
std::string toVaultText(const QString& text);
bool isValidUtf8(const std::string& bytes);

}  // namespace kivrano::platform
