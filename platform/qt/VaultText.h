#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kivrano::platform {

// A vault text for the screen or the clipboard: valid UTF-8 is read as UTF-8, anything else
// as Windows-1252 (the rule of vault/VaultText.h), so no byte is ever lost on the way.
QString fromVaultText(std::string_view bytes);
// Text from the window system, as UTF-8 bytes.
std::string toVaultText(const QString& text);

}  // namespace kivrano::platform
