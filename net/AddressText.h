#pragma once

#include <string>
#include <string_view>

namespace kivrano {

// Text put into one segment of an address's path: every byte but letters, digits and
// "-._~@+" is written as %XX, so that "/", "?", "#", "%" or anything else in the text can
// never change which server or path is asked.
std::string encodePathSegment(std::string_view text);

// A "file://" address for an absolute local path, each segment encoded.
std::string fileUrl(std::string_view path);

}  // namespace kivrano
