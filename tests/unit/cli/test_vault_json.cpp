#include "cli/VaultJson.h"
#include "support/SampleVault.h"
#include "vault/VaultFile.h"
#include "vault/VaultText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace kivrano;
using namespace kivrano::cli;

namespace {

Json sampleDocument() {
    auto v = kivrano::testing::makeSampleVault();
    return vaultToJson(v.tree, v.settings, 1, "KVR2.04");
}

std::vector<std::string> namesOf(const Json& object) {
    std::vector<std::string> names;
    for (const auto& [name, value] : object.items()) names.push_back(name);
    return names;
}

}  // namespace

TEST(VaultJson, DocumentUsesExactlyTheRecordNamesInOrder) {
    Json doc = sampleDocument();
    EXPECT_EQ(namesOf(doc), (std::vector<std::string>{"format", "version", "settings", "folders"}));
    EXPECT_EQ(namesOf(doc["settings"]),
              (std::vector<std::string>{"autoTrack", "autoLockMinutes", "typeInMode",
                                        "globalHotKeys", "applicationTable"}));
    EXPECT_EQ(namesOf(doc["folders"][0]),
              (std::vector<std::string>{"name", "unprotected", "items"}));
    EXPECT_EQ(namesOf(doc["folders"][0]["items"][0]),
              (std::vector<std::string>{"title", "address", "id", "password", "appIndex",
                                        "appChoice", "legacyValue", "launchKey", "etcName",
                                        "etcText", "memo", "tabCount", "enterCount", "lastPage",
                                        "hideId", "hidePassword", "hideEtc", "hideMemo"}));
    const Json& full = doc["folders"][0]["items"][0];
    EXPECT_EQ(full["tabCount"], Json::parse("[1, -3, 2, 0, 127, -128, 0, 1]"));
    EXPECT_EQ(full["launchKey"], Json::parse("[77, 3]"));
    EXPECT_EQ(full["password"], "s3cr3t-pässword");
    EXPECT_EQ(doc["settings"]["globalHotKeys"].size(), 11u);
    EXPECT_EQ(doc["settings"]["globalHotKeys"][10], Json::parse("[75, 6]"));
    EXPECT_EQ(doc["folders"][1]["unprotected"], 2);
}

TEST(VaultJson, RoundTripGivesTheSameVaultAndTheSameFile) {
    auto v = kivrano::testing::makeSampleVault();
    Json doc = vaultToJson(v.tree, v.settings, 1, "KVR2.04");
    // Through text, as import sees it.
    Json parsed = Json::parse(formatJson(doc));
    EXPECT_EQ(parsed, doc);

    VaultTree tree;
    VaultSettings settings;
    vaultFromJson(parsed, tree, settings);
    EXPECT_EQ(settings, v.settings);
    EXPECT_EQ(vaultToJson(tree, settings, 1, "KVR2.04"), doc);
    EXPECT_EQ(vaultfile::write(tree, settings, "pw"), vaultfile::write(v.tree, v.settings, "pw"));
}

TEST(VaultJson, TextsThatAreNotUtf8TravelAsBase64) {
    const std::vector<std::string> texts = {
        std::string("caf\xE9", 4),           // Windows-1252
        std::string("a\0b", 3),              // a zero byte is valid UTF-8 and stays a string
        std::string("\xC0\xAF", 2),          // overlong
        std::string("\xED\xA0\x80", 3),      // surrogate
        std::string("\xF4\x90\x80\x80", 4),  // above U+10FFFF
        std::string("\xE2\x82", 2),          // cut short
        "",
        "плюс €",
    };
    VaultTree tree;
    TreeNode folder = tree.insertFolder({texts[0], 0});
    for (const std::string& t : texts) {
        auto item = std::make_unique<VaultItem>();
        item->title = t;
        item->memo = t + t;
        tree.insertItem(folder, std::move(item));
    }
    VaultSettings settings;
    Json doc = vaultToJson(tree, settings, 1, "KVR2.04");
    EXPECT_EQ(doc["folders"][0]["name"], Json::parse(R"({"base64": "Y2Fm6Q=="})"));
    const Json& items = doc["folders"][0]["items"];
    for (std::size_t k = 0; k < texts.size(); ++k)
        EXPECT_EQ(items[k]["title"].is_string(), isValidUtf8(texts[k])) << k;
    EXPECT_TRUE(items[1]["title"].is_string());
    EXPECT_FALSE(items[2]["title"].is_string());

    VaultTree back;
    VaultSettings backSettings;
    vaultFromJson(Json::parse(formatJson(doc)), back, backSettings);
    EXPECT_EQ(back.text(back.firstFolder()), texts[0]);
    std::size_t k = 0;
    for (TreeNode i = back.firstChild(back.firstFolder()); i != kNoNode;
         i = back.nextSibling(i), ++k) {
        EXPECT_EQ(back.item(i)->title, texts[k]) << k;
        EXPECT_EQ(back.item(i)->memo, texts[k] + texts[k]) << k;
    }
    EXPECT_EQ(k, texts.size());
}

TEST(VaultJson, Base64) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(base64Encode(plain), encoded);
        std::string decoded;
        EXPECT_TRUE(base64Decode(encoded, decoded)) << encoded;
        EXPECT_EQ(decoded, plain);
    }
    EXPECT_EQ(base64Encode(std::string("\xFF\xFE\x00", 3)), "//4A");
    for (const char* bad : {"Zg", "Zg=", "Z===", "Zm9v!A==", "Zh==", "Zm9=v", "=Zg="}) {
        std::string decoded;
        EXPECT_FALSE(base64Decode(bad, decoded)) << bad;
    }
}

TEST(VaultJson, LeftOutFieldsTakeTheValuesOfANewVault) {
    VaultTree tree;
    VaultSettings settings;
    vaultFromJson(Json::parse(R"({"folders": [{"name": "Web", "items": [{"title": "Shop"}]}]})"),
                  tree, settings);
    EXPECT_EQ(settings, VaultSettings{});
    ASSERT_EQ(tree.folderCount(), 1u);
    EXPECT_EQ(tree.data(tree.firstFolder()), 0);  // password-protected unless said otherwise
    const VaultItem& item = *tree.item(tree.firstChild(tree.firstFolder()));
    EXPECT_EQ(item.title, "Shop");
    EXPECT_EQ(item.appIndex, -1);
    EXPECT_EQ(item.hidePassword, 1);
    EXPECT_EQ(item.hideId, 0);
}

TEST(VaultJson, ImportNamesThePathOfTheFirstBadValue) {
    struct Case {
        const char* what;
        std::function<void(Json&)> spoil;
        const char* path;
        const char* reason;
    } cases[] = {
        {"count too big", [](Json& d) { d["folders"][0]["items"][0]["tabCount"][3] = 128; },
         "$.folders[0].items[0].tabCount[3]", "128 is outside -128..127"},
        {"count too small", [](Json& d) { d["folders"][0]["items"][1]["enterCount"][7] = -129; },
         "$.folders[0].items[1].enterCount[7]", "outside -128..127"},
        {"count not an integer", [](Json& d) { d["folders"][0]["items"][0]["tabCount"][0] = 1.5; },
         "$.folders[0].items[0].tabCount[0]", "expected an integer"},
        {"too many applications",
         [](Json& d) {
             Json& table = d["settings"]["applicationTable"];
             while (table.size() <= 100) table.push_back("/bin/true");
         },
         "$.settings.applicationTable", "at most 100"},
        {"title a number", [](Json& d) { d["folders"][1]["items"][0]["title"] = 5; },
         "$.folders[1].items[0].title", "expected a text"},
        {"bad base64",
         [](Json& d) { d["folders"][0]["name"] = Json::parse(R"({"base64": "%%"})"); },
         "$.folders[0].name.base64", "not valid base64"},
        {"base64 with more",
         [](Json& d) { d["folders"][0]["name"] = Json::parse(R"({"base64": "", "x": 1})"); },
         "$.folders[0].name", "expected a text"},
        {"five hide flags", [](Json& d) { d["folders"][0]["items"][0]["hideEtc"].erase(0); },
         "$.folders[0].items[0].hideEtc", "expected 6 values, found 5"},
        {"misspelt name", [](Json& d) { d["folders"][0]["items"][0]["pasword"] = "x"; },
         "$.folders[0].items[0].pasword", "unknown name"},
        {"hotkey too big", [](Json& d) { d["settings"]["globalHotKeys"][10][0] = 65536; },
         "$.settings.globalHotKeys[10][0]", "outside 0..65535"},
        {"ten hotkeys", [](Json& d) { d["settings"]["globalHotKeys"].erase(10); },
         "$.settings.globalHotKeys", "expected 11 values"},
        {"autoTrack too big", [](Json& d) { d["settings"]["autoTrack"] = 256; },
         "$.settings.autoTrack", "outside 0..255"},
        {"lock minutes beyond int32",
         [](Json& d) { d["settings"]["autoLockMinutes"] = 2147483648LL; },
         "$.settings.autoLockMinutes", "outside -2147483648..2147483647"},
        {"huge unsigned", [](Json& d) { d["folders"][0]["unprotected"] = 18446744073709551615ULL; },
         "$.folders[0].unprotected", "outside"},
        {"application missing", [](Json& d) { d["folders"][1]["items"][0]["appIndex"] = 4; },
         "$.folders[1].items[0].appIndex", "4 is not an entry of the application table (it has 4"},
        {"application below -1", [](Json& d) { d["folders"][1]["items"][0]["appIndex"] = -2; },
         "$.folders[1].items[0].appIndex", "use -1 for none"},
        {"hide flag a boolean", [](Json& d) { d["folders"][0]["items"][0]["hideMemo"] = true; },
         "$.folders[0].items[0].hideMemo", "expected an integer, found true"},
        {"folders an object", [](Json& d) { d["folders"] = Json::object(); }, "$.folders",
         "expected an array"},
        {"item a string", [](Json& d) { d["folders"][0]["items"][1] = "x"; },
         "$.folders[0].items[1]", "expected an object, found a string"},
        {"top level an array", [](Json& d) { d = Json::array(); }, "$", "expected an object"},
        {"first of two faults",
         [](Json& d) {
             d["folders"][0]["items"][0]["lastPage"] = "one";
             d["folders"][1]["items"][0]["lastPage"] = "two";
         },
         "$.folders[0].items[0].lastPage", "expected an integer, found a string"},
    };
    for (const auto& c : cases) {
        Json doc = sampleDocument();
        c.spoil(doc);
        VaultTree tree;
        TreeNode untouched = tree.insertFolder({"Keep", 0});
        VaultSettings settings;
        settings.autoLockMinutes = 7;
        try {
            vaultFromJson(doc, tree, settings);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const JsonImportError& e) {
            EXPECT_EQ(e.path(), c.path) << c.what;
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
                << c.what << ": " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind(c.path, 0), 0u) << c.what;
        }
        // Nothing half-built reaches the caller.
        EXPECT_EQ(tree.folderCount(), 1u) << c.what;
        EXPECT_EQ(tree.firstFolder(), untouched) << c.what;
        EXPECT_EQ(settings.autoLockMinutes, 7) << c.what;
    }
}

TEST(VaultJson, ErrorsNeverQuoteTexts) {
    Json doc = sampleDocument();
    doc["folders"][0]["items"][0]["password"] = Json::array({"hunter2"});
    VaultTree tree;
    VaultSettings settings;
    try {
        vaultFromJson(doc, tree, settings);
        FAIL() << "accepted";
    } catch (const JsonImportError& e) {
        EXPECT_EQ(std::string(e.what()).find("hunter2"), std::string::npos) << e.what();
    }
}

TEST(VaultJson, WipeLeavesNoTextBehind) {
    Json doc = sampleDocument();
    wipeJson(doc);
    EXPECT_EQ(formatJson(doc).find("s3cr3t"), std::string::npos);
    EXPECT_EQ(doc["folders"][0]["items"][0]["password"], "");
    EXPECT_EQ(doc["folders"][0]["items"][0]["etcText"][5], "");
    EXPECT_EQ(doc["folders"][0]["items"][0]["tabCount"][1], -3);  // numbers stay
}

TEST(VaultJson, FormatKeepsNumberListsOnOneLine) {
    Json doc = Json::parse(R"({"a": [1, -2], "b": [], "c": {}, "d": [[3, 4]], "e": ["x"]})");
    EXPECT_EQ(formatJson(doc),
              "{\n"
              "  \"a\": [1, -2],\n"
              "  \"b\": [],\n"
              "  \"c\": {},\n"
              "  \"d\": [\n"
              "    [3, 4]\n"
              "  ],\n"
              "  \"e\": [\n"
              "    \"x\"\n"
              "  ]\n"
              "}\n");
}

TEST(VaultJson, ItemByItemExportIsTheFormattedDocument) {
    auto sample = kivrano::testing::makeSampleVault();
    VaultTree empty;
    VaultTree emptyFolder;
    emptyFolder.insertFolder({"nothing in it", 0});
    const VaultSettings settings;
    const std::pair<const VaultTree*, const VaultSettings*> vaults[] = {
        {&sample.tree, &sample.settings}, {&empty, &settings}, {&emptyFolder, &settings}};
    for (const auto& [tree, s] : vaults) {
        EXPECT_EQ(formatVaultJson(*tree, *s, 1, "KVR2.04"),
                  formatJson(vaultToJson(*tree, *s, 1, "KVR2.04")));
    }
}
