#include "net/AddressText.h"

namespace kivrano {

namespace {

bool keptInSegment(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    // The unreserved marks, and the "@" and "+" of an e-mail address, which a path may hold.
    return std::string_view("-._~@+").find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace

std::string encodePathSegment(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptInSegment(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string fileUrl(std::string_view path) {
    std::string url = "file://";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        url += encodePathSegment(path.substr(start, end - start));
        if (slash == std::string_view::npos) break;
        url += '/';
        start = slash + 1;
    }
    return url;
}

}  // namespace kivrano
