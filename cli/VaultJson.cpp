#include "cli/VaultJson.h"

#include "vault/Secure.h"
#include "vault/VaultText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace kivrano::cli {

namespace {

constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

Json hotKeyToJson(const HotKeyValue& key) {
    return Json::array({key.virtualKey, key.modifiers});
}

template <typename T, std::size_t N>
Json integersToJson(const std::array<T, N>& values) {
    Json list = Json::array();
    for (T v : values) list.push_back(static_cast<std::int64_t>(v));
    return list;
}

template <std::size_t N>
Json textsToJson(const std::array<std::string, N>& texts) {
    Json list = Json::array();
    for (const std::string& t : texts) list.push_back(textToJson(t));
    return list;
}

Json itemToJson(const VaultItem& item) {
    Json j = Json::object();
    j["title"] = textToJson(item.title);
    j["address"] = textToJson(item.address);
    j["id"] = textToJson(item.id);
    j["password"] = textToJson(item.password);
    j["appIndex"] = item.appIndex;
    j["appChoice"] = item.appChoice;
    j["legacyValue"] = item.legacyValue;
    j["launchKey"] = hotKeyToJson(item.launchKey);
    j["etcName"] = textsToJson(item.etcName);
    j["etcText"] = textsToJson(item.etcText);
    j["memo"] = textToJson(item.memo);
    j["tabCount"] = integersToJson(item.tabCount);
    j["enterCount"] = integersToJson(item.enterCount);
    j["lastPage"] = item.lastPage;
    j["hideId"] = item.hideId;
    j["hidePassword"] = item.hidePassword;
    j["hideEtc"] = integersToJson(item.hideEtc);
    j["hideMemo"] = item.hideMemo;
    return j;
}

// ---------------------------------------------------------------------------------------
// Reading a document back. Each helper checks one value and names it by its path.

std::string describe(const Json& value) {
    if (value.is_number() || value.is_boolean() || value.is_null()) return value.dump();
    if (value.is_string()) return "a string";
    if (value.is_array()) return "an array";
    return "an object";
}

std::string indexPath(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

const Json& object(const Json& value, const std::string& path,
                   std::initializer_list<std::string_view> names) {
    if (!value.is_object())
        throw JsonImportError(path, "expected an object, found " + describe(value));
    for (const auto& [name, member] : value.items()) {
        bool known = false;
        for (std::string_view n : names) known = known || n == name;
        if (!known) throw JsonImportError(path + "." + name, "unknown name; a typing error?");
    }
    return value;
}

// The member, or null when the document leaves it out.
const Json* member(const Json& object, std::string_view name) {
    auto it = object.find(std::string(name));
    return it == object.end() ? nullptr : &*it;
}

std::int64_t integer(const Json& value, const std::string& path, std::int64_t min,
                     std::int64_t max) {
    if (!value.is_number_integer())
        throw JsonImportError(path, "expected an integer, found " + describe(value));
    bool inRange;
    if (value.is_number_unsigned()) {
        inRange = value.get<std::uint64_t>() <= static_cast<std::uint64_t>(max);
    } else {
        const auto v = value.get<std::int64_t>();
        inRange = v >= min && v <= max;
    }
    if (!inRange)
        throw JsonImportError(
            path, value.dump() + " is outside " + std::to_string(min) + ".." + std::to_string(max));
    return value.get<std::int64_t>();
}

template <typename T>
T integerOf(const Json& value, const std::string& path) {
    return static_cast<T>(
        integer(value, path, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

std::string text(const Json& value, const std::string& path) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_object() && value.size() == 1 && value.contains("base64")) {
        const Json& encoded = value["base64"];
        if (!encoded.is_string())
            throw JsonImportError(path + ".base64",
                                  "expected a string, found " + describe(encoded));
        std::string bytes;
        if (!base64Decode(encoded.get_ref<const std::string&>(), bytes))
            throw JsonImportError(path + ".base64", "not valid base64");
        return bytes;
    }
    throw JsonImportError(
        path, "expected a text (a string, or {\"base64\": \"...\"}), found " + describe(value));
}

const Json& array(const Json& value, const std::string& path, std::size_t exact) {
    if (!value.is_array())
        throw JsonImportError(path, "expected an array, found " + describe(value));
    if (value.size() != exact)
        throw JsonImportError(path, "expected " + std::to_string(exact) + " values, found " +
                                        std::to_string(value.size()));
    return value;
}

const Json& list(const Json& value, const std::string& path) {
    if (!value.is_array())
        throw JsonImportError(path, "expected an array, found " + describe(value));
    return value;
}

HotKeyValue hotKey(const Json& value, const std::string& path) {
    const Json& pair = array(value, path, 2);
    return {integerOf<std::uint16_t>(pair[0], indexPath(path, 0)),
            integerOf<std::uint16_t>(pair[1], indexPath(path, 1))};
}

template <typename T, std::size_t N>
void integers(const Json& value, const std::string& path, std::array<T, N>& out) {
    const Json& values = array(value, path, N);
    for (std::size_t k = 0; k < N; ++k) out[k] = integerOf<T>(values[k], indexPath(path, k));
}

template <std::size_t N>
void texts(const Json& value, const std::string& path, std::array<std::string, N>& out) {
    const Json& values = array(value, path, N);
    for (std::size_t k = 0; k < N; ++k) out[k] = text(values[k], indexPath(path, k));
}

void readSettings(const Json& value, const std::string& path, VaultSettings& settings) {
    const Json& s =
        object(value, path,
               {"autoTrack", "autoLockMinutes", "typeInMode", "globalHotKeys", "applicationTable"});
    if (auto* v = member(s, "autoTrack"))
        settings.autoTrack = integerOf<std::uint8_t>(*v, path + ".autoTrack");
    if (auto* v = member(s, "autoLockMinutes"))
        settings.autoLockMinutes = integerOf<std::int32_t>(*v, path + ".autoLockMinutes");
    if (auto* v = member(s, "typeInMode"))
        settings.typeInMode = integerOf<std::int32_t>(*v, path + ".typeInMode");
    if (auto* v = member(s, "globalHotKeys")) {
        const std::string keysPath = path + ".globalHotKeys";
        const Json& keys = array(*v, keysPath, kGlobalHotKeyCount);
        for (std::size_t h = 0; h < kGlobalHotKeyCount; ++h)
            settings.globalHotKeys[h] = hotKey(keys[h], indexPath(keysPath, h));
    }
    if (auto* v = member(s, "applicationTable")) {
        const std::string tablePath = path + ".applicationTable";
        const Json& table = list(*v, tablePath);
        if (table.size() > VaultSettings::kApplicationCapacity)
            throw JsonImportError(
                tablePath, std::to_string(table.size()) + " applications; a vault holds at most " +
                               std::to_string(VaultSettings::kApplicationCapacity));
        for (std::size_t e = 0; e < table.size(); ++e)
            settings.applicationTable.push_back(text(table[e], indexPath(tablePath, e)));
    }
}

std::unique_ptr<VaultItem> readItem(const Json& value, const std::string& path,
                                    std::size_t applications) {
    const Json& j =
        object(value, path,
               {"title", "address", "id", "password", "appIndex", "appChoice", "legacyValue",
                "launchKey", "etcName", "etcText", "memo", "tabCount", "enterCount", "lastPage",
                "hideId", "hidePassword", "hideEtc", "hideMemo"});
    auto item = std::make_unique<VaultItem>();
    auto field = [&](std::string_view name) { return member(j, name); };
    auto at = [&](std::string_view name) { return path + "." + std::string(name); };

    if (auto* v = field("title")) item->title = text(*v, at("title"));
    if (auto* v = field("address")) item->address = text(*v, at("address"));
    if (auto* v = field("id")) item->id = text(*v, at("id"));
    if (auto* v = field("password")) item->password = text(*v, at("password"));
    if (auto* v = field("appIndex")) {
        // Only an index into the table survives a save; anything else would quietly turn
        // into "no application".
        const std::int32_t index = integerOf<std::int32_t>(*v, at("appIndex"));
        if (index < -1 || index >= static_cast<std::int64_t>(applications))
            throw JsonImportError(at("appIndex"),
                                  std::to_string(index) +
                                      " is not an entry of the application table (it has " +
                                      std::to_string(applications) + " entries); use -1 for none");
        item->appIndex = index;
    }
    if (auto* v = field("appChoice"))
        item->appChoice = integerOf<std::int32_t>(*v, at("appChoice"));
    if (auto* v = field("legacyValue"))
        item->legacyValue = integerOf<std::int32_t>(*v, at("legacyValue"));
    if (auto* v = field("launchKey")) item->launchKey = hotKey(*v, at("launchKey"));
    if (auto* v = field("etcName")) texts(*v, at("etcName"), item->etcName);
    if (auto* v = field("etcText")) texts(*v, at("etcText"), item->etcText);
    if (auto* v = field("memo")) item->memo = text(*v, at("memo"));
    if (auto* v = field("tabCount")) integers(*v, at("tabCount"), item->tabCount);
    if (auto* v = field("enterCount")) integers(*v, at("enterCount"), item->enterCount);
    if (auto* v = field("lastPage")) item->lastPage = integerOf<std::int32_t>(*v, at("lastPage"));
    if (auto* v = field("hideId")) item->hideId = integerOf<std::int32_t>(*v, at("hideId"));
    if (auto* v = field("hidePassword"))
        item->hidePassword = integerOf<std::int32_t>(*v, at("hidePassword"));
    if (auto* v = field("hideEtc")) integers(*v, at("hideEtc"), item->hideEtc);
    if (auto* v = field("hideMemo")) item->hideMemo = integerOf<std::int32_t>(*v, at("hideMemo"));
    return item;
}

bool isNumberList(const Json& value) {
    if (!value.is_array()) return false;
    for (const Json& element : value)
        if (!element.is_number()) return false;
    return true;
}

// Writes through out.append(std::string_view); used once to measure and once to write, so
// the text, which holds every password, is never copied by growing.
template <typename Out>
void writeJson(const Json& value, std::size_t depth, Out& out) {
    auto newline = [&](std::size_t level) {
        out.append("\n");
        for (std::size_t k = 0; k < level; ++k) out.append("  ");
    };
    if (value.is_object() && !value.empty()) {
        out.append("{");
        bool first = true;
        for (const auto& [name, member] : value.items()) {
            if (!first) out.append(",");
            first = false;
            newline(depth + 1);
            std::string key = Json(name).dump();
            out.append(key);
            out.append(": ");
            writeJson(member, depth + 1, out);
        }
        newline(depth);
        out.append("}");
    } else if (value.is_array() && !value.empty() && !isNumberList(value)) {
        out.append("[");
        bool first = true;
        for (const Json& element : value) {
            if (!first) out.append(",");
            first = false;
            newline(depth + 1);
            writeJson(element, depth + 1, out);
        }
        newline(depth);
        out.append("]");
    } else if (value.is_array()) {
        out.append("[");
        bool first = true;
        for (const Json& element : value) {
            if (!first) out.append(", ");
            first = false;
            out.append(element.dump());
        }
        out.append("]");
    } else {
        std::string scalar = value.dump();
        out.append(scalar);
        secureWipe(scalar);
    }
}

struct MeasuringOut {
    std::size_t size = 0;
    void append(std::string_view text) { size += text.size(); }
};

struct StringOut {
    std::string& text;
    void append(std::string_view more) { text.append(more); }
};

}  // namespace

namespace {

Json settingsToJson(const VaultSettings& settings) {
    Json s = Json::object();
    s["autoTrack"] = settings.autoTrack;
    s["autoLockMinutes"] = settings.autoLockMinutes;
    s["typeInMode"] = settings.typeInMode;
    Json keys = Json::array();
    for (const HotKeyValue& key : settings.globalHotKeys) keys.push_back(hotKeyToJson(key));
    s["globalHotKeys"] = std::move(keys);
    Json table = Json::array();
    for (const std::string& path : settings.applicationTable) table.push_back(textToJson(path));
    s["applicationTable"] = std::move(table);
    return s;
}

// The text formatJson gives for vaultToJson's document, written one item at a time: a
// document of the whole vault would take many times the vault's size.
template <typename Out>
void writeVaultJson(const VaultTree& tree, const VaultSettings& settings, int formatNumber,
                    std::string_view version, Out& out) {
    auto member = [&](std::string_view indent, std::string_view name, const Json& value,
                      std::size_t depth) {
        out.append(indent);
        out.append(Json(std::string(name)).dump());
        out.append(": ");
        writeJson(value, depth, out);
    };
    out.append("{\n");
    member("  ", "format", Json(formatNumber), 1);
    out.append(",\n");
    member("  ", "version", textToJson(version), 1);
    out.append(",\n");
    member("  ", "settings", settingsToJson(settings), 1);
    out.append(",\n  \"folders\": ");
    if (tree.firstFolder() == kNoNode) out.append("[]");
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        out.append(f == tree.firstFolder() ? "[\n    {\n" : ",\n    {\n");
        member("      ", "name", textToJson(tree.text(f)), 3);
        out.append(",\n");
        member("      ", "unprotected", Json(tree.data(f)), 3);
        out.append(",\n      \"items\": ");
        if (tree.firstChild(f) == kNoNode) out.append("[]");
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            out.append(i == tree.firstChild(f) ? "[\n        " : ",\n        ");
            Json item = itemToJson(*tree.item(i));
            writeJson(item, 4, out);
            wipeJson(item);
        }
        if (tree.firstChild(f) != kNoNode) out.append("\n      ]");
        out.append("\n    }");
    }
    if (tree.firstFolder() != kNoNode) out.append("\n  ]");
    out.append("\n}\n");
}

}  // namespace

std::string formatJson(const Json& document) {
    MeasuringOut measure;
    writeJson(document, 0, measure);
    std::string text;
    text.reserve(measure.size + 1);
    StringOut out{text};
    writeJson(document, 0, out);
    text.push_back('\n');
    return text;
}

std::string formatVaultJson(const VaultTree& tree, const VaultSettings& settings, int formatNumber,
                            std::string_view version) {
    MeasuringOut measure;
    writeVaultJson(tree, settings, formatNumber, version, measure);
    std::string text;
    text.reserve(measure.size);
    StringOut out{text};
    writeVaultJson(tree, settings, formatNumber, version, out);
    return text;
}

Json textToJson(std::string_view bytes) {
    if (isValidUtf8(bytes)) return Json(std::string(bytes));
    Json encoded = Json::object();
    encoded["base64"] = base64Encode(bytes);
    return encoded;
}

Json vaultToJson(const VaultTree& tree, const VaultSettings& settings, int formatNumber,
                 std::string_view version) {
    Json document = Json::object();
    document["format"] = formatNumber;
    document["version"] = textToJson(version);

    document["settings"] = settingsToJson(settings);

    Json folders = Json::array();
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        Json folder = Json::object();
        folder["name"] = textToJson(tree.text(f));
        folder["unprotected"] = tree.data(f);
        Json items = Json::array();
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i))
            items.push_back(itemToJson(*tree.item(i)));
        folder["items"] = std::move(items);
        folders.push_back(std::move(folder));
    }
    document["folders"] = std::move(folders);
    return document;
}

void vaultFromJson(const Json& document, VaultTree& tree, VaultSettings& settings) {
    const std::string root = "$";
    const Json& top = object(document, root, {"format", "version", "settings", "folders"});

    VaultSettings newSettings;
    if (auto* v = member(top, "settings")) readSettings(*v, root + ".settings", newSettings);

    VaultTree newTree;
    if (auto* v = member(top, "folders")) {
        const std::string foldersPath = root + ".folders";
        const Json& folders = list(*v, foldersPath);
        for (std::size_t f = 0; f < folders.size(); ++f) {
            const std::string path = indexPath(foldersPath, f);
            const Json& folder = object(folders[f], path, {"name", "unprotected", "items"});
            VaultFolder record;
            if (auto* name = member(folder, "name")) record.name = text(*name, path + ".name");
            if (auto* flag = member(folder, "unprotected"))
                record.unprotected = integerOf<std::int32_t>(*flag, path + ".unprotected");
            TreeNode node = newTree.insertFolder(record);
            secureWipe(record.name);
            if (auto* items = member(folder, "items")) {
                const std::string itemsPath = path + ".items";
                const Json& all = list(*items, itemsPath);
                for (std::size_t i = 0; i < all.size(); ++i)
                    newTree.insertItem(node, readItem(all[i], indexPath(itemsPath, i),
                                                      newSettings.applicationTable.size()));
            }
        }
    }
    tree = std::move(newTree);
    settings = std::move(newSettings);
}

void wipeJson(Json& document) noexcept {
    // Without recursion: how deep a document goes is up to whoever wrote it.
    std::vector<Json*> pending{&document};
    while (!pending.empty()) {
        Json* value = pending.back();
        pending.pop_back();
        if (value->is_string()) {
            secureWipe(*value->get_ptr<std::string*>());
        } else if (value->is_structured()) {
            for (auto& child : *value) pending.push_back(&child);
        }
    }
}

namespace {

// Builds the document as the parser reads it, keeping the path to where it is, so that a
// repeated name or a nesting too deep can be named in the document's terms.
class CheckedBuilder {
public:
    explicit CheckedBuilder(Json& root) : m_root(root) {}

    bool null() { return place(Json()); }
    bool boolean(bool v) { return place(Json(v)); }
    bool number_integer(Json::number_integer_t v) { return place(Json(v)); }
    bool number_unsigned(Json::number_unsigned_t v) { return place(Json(v)); }
    bool number_float(Json::number_float_t v, const std::string&) { return place(Json(v)); }
    bool string(std::string& v) {
        bool placed = place(Json(std::move(v)));
        secureWipe(v);
        return placed;
    }
    bool binary(Json::binary_t&) { return place(Json()); }
    bool start_object(std::size_t) { return open(Json::object()); }
    bool start_array(std::size_t) { return open(Json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(std::string& name) {
        Level& level = m_levels.back();
        if (!level.names.insert(name).second)
            throw JsonImportError(path() + "." + name,
                                  "this name appears twice in the same object; which one is "
                                  "meant cannot be known");
        level.key = std::move(name);
        return true;
    }
    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) {
        m_errorPosition = position;
        // 406: a number too large for any type (1e400).
        m_errorWhat = error.id == 406 ? "a number is out of range" : "";
        return false;
    }

    std::size_t errorPosition() const { return m_errorPosition; }
    const std::string& errorWhat() const { return m_errorWhat; }

private:
    struct Level {
        Json* container;
        std::string key;  // objects: the name of the value that comes next
        std::set<std::string> names;
    };

    Json* slot() {
        if (m_levels.empty()) return &m_root;
        Level& level = m_levels.back();
        if (level.container->is_array()) {
            level.container->push_back(Json());
            return &level.container->back();
        }
        return &(*level.container)[level.key];
    }
    bool place(Json value) {
        *slot() = std::move(value);
        return true;
    }
    bool open(Json empty) {
        Json* container = slot();
        if (m_levels.size() >= kMaxJsonDepth)
            throw JsonImportError(path(true), "nested deeper than " +
                                                  std::to_string(kMaxJsonDepth) +
                                                  " levels; no Kivrano document goes so deep");
        *container = std::move(empty);
        m_levels.push_back({container, {}, {}});
        return true;
    }
    bool close() {
        m_levels.pop_back();
        return true;
    }
    // The path of the innermost container, or of the value being built in it.
    std::string path(bool toInnermostValue = false) const {
        std::string p = "$";
        for (std::size_t k = 0; k < m_levels.size(); ++k) {
            if (k + 1 == m_levels.size() && !toInnermostValue) break;
            const Level& level = m_levels[k];
            if (level.container->is_array())
                p = indexPath(p, level.container->size() - 1);
            else
                p += "." + level.key;
        }
        return p;
    }

    Json& m_root;
    std::vector<Level> m_levels;
    std::size_t m_errorPosition = 0;
    std::string m_errorWhat;
};

}  // namespace

Json parseJson(std::string_view text) {
    Json document;
    CheckedBuilder builder(document);
    try {
        if (Json::sax_parse(text, &builder)) return document;
    } catch (...) {
        wipeJson(document);
        throw;
    }
    wipeJson(document);
    // Where, counted as the reader counts: lines from 1, bytes within the line from 1.
    std::size_t line = 1, column = 1;
    const std::size_t at = builder.errorPosition();
    for (std::size_t k = 0; k + 1 < at && k < text.size(); ++k) {
        if (text[k] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    std::string where = "line " + std::to_string(line) + ", column " + std::to_string(column);
    if (!builder.errorWhat().empty()) where += ": " + builder.errorWhat();
    throw JsonSyntaxError(where);
}

std::string base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    auto at = [&](std::size_t k) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k]));
    };
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = at(i) << 16 | at(i + 1) << 8 | at(i + 2);
        for (int shift = 18; shift >= 0; shift -= 6)
            out.push_back(kBase64Alphabet[(v >> shift) & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 1) {
        const std::uint32_t v = at(i) << 16;
        out.push_back(kBase64Alphabet[(v >> 18) & 63]);
        out.push_back(kBase64Alphabet[(v >> 12) & 63]);
        out.append("==");
    } else if (rest == 2) {
        const std::uint32_t v = at(i) << 16 | at(i + 1) << 8;
        out.push_back(kBase64Alphabet[(v >> 18) & 63]);
        out.push_back(kBase64Alphabet[(v >> 12) & 63]);
        out.push_back(kBase64Alphabet[(v >> 6) & 63]);
        out.push_back('=');
    }
    return out;
}

bool base64Decode(std::string_view text, std::string& bytes) {
    bytes.clear();
    if (text.size() % 4 != 0) return false;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') ++padding;
    if (text.size() >= 2 && text[text.size() - 2] == '=') ++padding;
    const std::size_t digits = text.size() - padding;
    std::uint32_t v = 0;
    int bits = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const auto position = kBase64Alphabet.find(text[i]);
        if (position == std::string_view::npos) return false;
        v = (v << 6) | static_cast<std::uint32_t>(position);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((v >> bits) & 0xFF));
        }
    }
    // Bits left over after the last byte must be zero, so each byte string has one spelling.
    return (v & ((1u << bits) - 1)) == 0;
}

}  // namespace kivrano::cli
