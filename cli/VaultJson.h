#pragma once

#include "vault/VaultSettings.h"
#include "vault/VaultTree.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

namespace kivrano::cli {

// Keys are written in the order of the records, so an export reads like the vault.
using Json = nlohmann::ordered_json;

// A vault as a JSON document:
// {"format", "version", "settings": {...}, "folders": [{"name", "unprotected", "items": [...]}]}.
// Every record field appears under its own name with its value as stored. A text that is
// valid UTF-8 is a JSON string; any other text is {"base64": "..."} so that no byte is lost.
Json vaultToJson(const VaultTree& tree, const VaultSettings& settings, int formatNumber,
                 std::string_view version);

// A value in the document that cannot be taken into a vault. path names it in JSONPath
// form ("$.folders[0].items[2].tabCount[3]"); what() is the path followed by the reason.
class JsonImportError : public std::runtime_error {
public:
    JsonImportError(std::string path, const std::string& reason)
        : std::runtime_error(path + ": " + reason), m_path(std::move(path)) {}
    const std::string& path() const noexcept { return m_path; }

private:
    std::string m_path;
};

// Text that is not a JSON document. Says where (line and column, counted in bytes) and,
// where it is safe, what: never the text around it, which may be a password.
class JsonSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No document of ours nests deeper than seven levels; a deeper one is refused before it
// can exhaust the stack of anything that walks it.
inline constexpr std::size_t kMaxJsonDepth = 32;

// Parses text into a document. A name that appears twice in one object, and nesting deeper
// than kMaxJsonDepth, throw JsonImportError naming the path; text that is not JSON (a number
// out of range among it) throws JsonSyntaxError.
Json parseJson(std::string_view text);

// Builds a vault from a document of the form vaultToJson writes. "format" and "version" are
// ignored; a field left out takes the value a new item, folder or profile would have; an
// unknown name, a wrong type or a value the record cannot hold throws JsonImportError for
// the first such value. tree and settings are replaced only when the whole document is good.
void vaultFromJson(const Json& document, VaultTree& tree, VaultSettings& settings);

// The document as text for people and tools alike: two-space indentation, a list of numbers
// on one line, a final newline.
std::string formatJson(const Json& document);

// formatJson(vaultToJson(...)) without the document in between: one item's worth of JSON at a
// time, so that a large vault's export takes little more memory than its text.
std::string formatVaultJson(const VaultTree& tree, const VaultSettings& settings, int formatNumber,
                            std::string_view version);

// Text as it appears in a document: a string when valid UTF-8, else {"base64": ...}.
Json textToJson(std::string_view bytes);

// Overwrites every string held in the document (passwords are among them) before it is
// released.
void wipeJson(Json& document) noexcept;

std::string base64Encode(std::string_view bytes);
// Strict: the standard alphabet with "=" padding to a multiple of four characters.
bool base64Decode(std::string_view text, std::string& bytes);

}  // namespace kivrano::cli
