#include "app/FindSearch.h"

#include "platform/fake/MemorySettingsStore.h"
#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

// Mail: "Mail Box" (gmail address, password "hunter2", memo mentioning the box),
// "Bank" (Etc1 text and name both "pin"). Ärzte: "ärzte online".
class FindSearchTest : public ::testing::Test {
protected:
    FindSearchTest() {
        mail = tree.insertFolder({"Mail", 0});
        auto box = std::make_unique<VaultItem>();
        box->title = "Mail Box";
        box->address = "https://gmail.example.com";
        box->id = "alice";
        box->password = "hunter2";
        box->memo = "the Mail Box memo";
        mailBox = tree.insertItem(mail, std::move(box));
        auto bankItem = std::make_unique<VaultItem>();
        bankItem->title = "Bank";
        bankItem->etcText[0] = "pin 1234";
        bankItem->etcName[0] = "pin";
        bankItem->etcText[5] = "last text";
        bank = tree.insertItem(mail, std::move(bankItem));
        doctors = tree.insertFolder({"\xC3\x84rzte", 0});  // "Ärzte"
        auto online = std::make_unique<VaultItem>();
        online->title = "\xC3\xA4rzte online";  // "ärzte online"
        doctorsOnline = tree.insertItem(doctors, std::move(online));
    }

    struct Row {
        TreeNode node;
        std::string found;
        std::string folder;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> find(const FindQuery& query) {
        std::vector<Row> rows;
        for (const FindResult& r : FindSearch::search(tree, query))
            rows.push_back({r.node, r.found, r.folder});
        return rows;
    }

    VaultTree tree;
    TreeNode mail{}, mailBox{}, bank{}, doctors{}, doctorsOnline{};
};

TEST_F(FindSearchTest, FieldsTickedRowsFoundStringAndOrder) {
    struct Case {
        const char* name;
        FindQuery query;
        std::vector<Row> rows;
    };
    auto query = [](std::string text, auto tick) {
        FindQuery q;
        q.text = std::move(text);
        tick(q);
        return q;
    };
    auto defaults = [](FindQuery&) {};
    const std::string folderMark = FindSearch::kFolderMark;
    const Case cases[] = {
        {"a password is not searched by default", query("hunter", defaults), {}},
        {"until ticked",
         query("hunter", [](FindQuery& q) { q.password = true; }),
         {{mailBox, "hunter2", "Mail"}}},
        {"the folder's row comes before its items'; the address is the last match",
         query("mail", defaults),
         {{mail, "", folderMark}, {mailBox, "https://gmail.example.com", "Mail"}}},
        {"folders not searched",
         query("mail", [](FindQuery& q) { q.folder = false; }),
         {{mailBox, "https://gmail.example.com", "Mail"}}},
        {"memo wins over title",
         query("box", [](FindQuery& q) { q.memo = true; }),
         {{mailBox, "the Mail Box memo", "Mail"}}},
        {"an Etc name wins over an Etc text",
         query("pin", [](FindQuery& q) { q.etc = true; }),
         {{bank, "pin", "Mail"}}},
        {"the sixth Etc text comes before the names",
         query("t",
               [](FindQuery& q) {
                   q.etc = true;
                   q.title = false;
                   q.address = false;
                   q.folder = false;
               }),
         {{bank, "last text", "Mail"}}},
        {"upper case finds lower case",
         query("MAIL", [](FindQuery& q) { q.folder = false; }),
         {{mailBox, "https://gmail.example.com", "Mail"}}},
        {"but not when case sensitive",
         query("MAIL", [](FindQuery& q) { q.caseSensitive = true; }),
         {}},
        {"case sensitive finds the exact text",
         query("Mail B", [](FindQuery& q) { q.caseSensitive = true; }),
         {{mailBox, "Mail Box", "Mail"}}},
        {"Unicode upper case",
         query("\xC3\x84RZTE", defaults),  // "ÄRZTE"
         {{doctors, "", folderMark}, {doctorsOnline, "\xC3\xA4rzte online", "\xC3\x84rzte"}}},
        {"an empty text finds every field of every item and folder",
         query("", defaults),
         {{mail, "", folderMark},
          {mailBox, "https://gmail.example.com", "Mail"},
          {bank, "", "Mail"},
          {doctors, "", folderMark},
          {doctorsOnline, "", "\xC3\x84rzte"}}},
        {"nothing found",
         query("zebra", [](FindQuery& q) { q.memo = q.etc = q.id = q.password = true; }),
         {}},
    };
    for (const Case& c : cases) EXPECT_EQ(find(c.query), c.rows) << c.name;
}

TEST(FindSearchMatch, UnicodeCaseAndTextsThatAreNotUtf8) {
    struct Case {
        const char* field;
        const char* text;
        bool caseSensitive;
        bool found;
    };
    const Case cases[] = {
        {"gmail", "MAIL", false, true},
        {"gmail", "MAIL", true, false},
        {"\xC3\xA4rzte", "\xC3\x84RZTE", false, true},  // ärzte / ÄRZTE
        {"\xC3\xA4rzte", "\xC3\x84RZTE", true, false},
        {"Stra\xC3\x9F"
         "e",
         "STRASSE", false, true},                 // Straße: ß upper-cases to SS
        {"MASSE", "\xC3\x9F", false, true},       // and so does the text
        {"caf\xE9", "CAF\xC3\x89", false, true},  // Windows-1252 "café" / UTF-8 "CAFÉ"
        {"caf\xE9", "\xC3\xA9", true, true},      // é against é, whatever the bytes
        {"caf\xE9", "\xE9", true, true},          // the text is read the same way
        {"caf\xC3\xA9", "\xE9", false, true},
        {"plain", "\xC3\xA9", false, false},
        {"anything", "", true, true},
        {"", "", false, true},
        {"", "a", false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindSearch::matches(c.field, c.text, c.caseSensitive), c.found)
            << "'" << c.text << "' in '" << c.field << "', case " << c.caseSensitive;
}

TEST(FindSearchWidths, StoredWidthsOrThirtyFortyThirtyPerCentWrittenBack) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, int>> stored;
        FindSearch::ColumnWidths widths;
    };
    const Case cases[] = {
        {"kept",
         {{"SearchWidth1", 10}, {"SearchWidth2", 0}, {"SearchWidth3", 3000}},
         {10, 0, 3000}},
        {"missing", {}, {150, 200, 150}},
        {"all zero",
         {{"SearchWidth1", 0}, {"SearchWidth2", 0}, {"SearchWidth3", 0}},
         {150, 200, 150}},
        {"one above 3000",
         {{"SearchWidth1", 100}, {"SearchWidth2", 3001}, {"SearchWidth3", 100}},
         {150, 200, 150}},
        {"one negative",
         {{"SearchWidth1", -5}, {"SearchWidth2", 100}, {"SearchWidth3", 100}},
         {150, 200, 150}},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore store;
        {
            auto key = store.open(platform::SettingsStore::Open::CreateIfMissing);
            for (const auto& [name, value] : c.stored) key->writeInt(name, value);
        }
        EXPECT_EQ(FindSearch::loadColumnWidths(store, 501), c.widths) << c.name;
        auto key = store.open(platform::SettingsStore::Open::Existing);
        ASSERT_TRUE(key);
        EXPECT_EQ(key->readInt("SearchWidth2"), c.widths[1]) << c.name;
    }

    platform::MemorySettingsStore store;
    EXPECT_TRUE(FindSearch::saveColumnWidths(store, {11, 22, 33}));
    EXPECT_EQ(FindSearch::loadColumnWidths(store, 501), (FindSearch::ColumnWidths{11, 22, 33}));
    store.setReadOnly(true);
    EXPECT_FALSE(FindSearch::saveColumnWidths(store, {1, 2, 3}));
}

}  // namespace
