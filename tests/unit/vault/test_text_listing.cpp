#include "vault/TextListing.h"
#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kivrano;

namespace {

TreeNode addItem(VaultTree& tree, TreeNode folder, VaultItem item) {
    return tree.insertItem(folder, std::make_unique<VaultItem>(std::move(item)));
}

VaultItem titled(const std::string& title) {
    VaultItem item;
    item.title = title;
    return item;
}

}  // namespace

TEST(TextListing, EmptyVaultAndEmptyFoldersGiveNoText) {
    VaultTree tree;
    EXPECT_EQ(textListing(tree, ListingLines::All), "");
    tree.insertFolder({"One", 0});
    tree.insertFolder({"Two", 2});
    EXPECT_EQ(textListing(tree, ListingLines::All), "");
    EXPECT_EQ(textListing(tree, ListingLines::NonEmptyOnly), "");
}

TEST(TextListing, TitleOnlyItem) {
    VaultTree tree;
    addItem(tree, tree.insertFolder({"F", 0}), titled("Bank"));
    EXPECT_EQ(textListing(tree, ListingLines::All),
              "Bank\r\n"
              "Address:\t\r\n"
              "ID:\t\r\n"
              "PW:\t\r\n"
              "\t\r\n\t\r\n\t\r\n\t\r\n\t\r\n\t\r\n"
              "\r\n"  // the empty memo
              "\r\n");
    EXPECT_EQ(textListing(tree, ListingLines::NonEmptyOnly), "Bank\r\n\r\n");
}

TEST(TextListing, FilledItemIsWrittenInClearWithItsMemoLineBreaks) {
    VaultItem item = titled("Mail");
    item.address = "https://mail.example.com";
    item.id = "alice";
    item.password = "s3cret";
    item.hideId = 1;
    item.hidePassword = 1;
    item.hideEtc = {1, 1, 1, 1, 1, 1};
    item.hideMemo = 1;
    item.etcName[0] = "PIN";  // a name without a text
    item.etcText[0] = "";
    item.etcName[2] = "";  // a text without a name
    item.etcText[2] = "4711";
    item.etcName[5] = "Q";
    item.etcText[5] = "A";
    item.memo = "first\r\nsecond";
    VaultTree tree;
    addItem(tree, tree.insertFolder({"F", 0}), item);

    EXPECT_EQ(textListing(tree, ListingLines::All),
              "Mail\r\n"
              "Address:\thttps://mail.example.com\r\n"
              "ID:\talice\r\n"
              "PW:\ts3cret\r\n"
              "PIN\t\r\n"
              "\t\r\n"
              "\t4711\r\n"
              "\t\r\n"
              "\t\r\n"
              "Q\tA\r\n"
              "first\r\nsecond\r\n"
              "\r\n");
    EXPECT_EQ(textListing(tree, ListingLines::NonEmptyOnly),
              "Mail\r\n"
              "Address:\thttps://mail.example.com\r\n"
              "ID:\talice\r\n"
              "PW:\ts3cret\r\n"
              "PIN\t\r\n"
              "\t4711\r\n"
              "Q\tA\r\n"
              "first\r\nsecond\r\n"
              "\r\n");
}

TEST(TextListing, NonEmptyLinesLeaveOutEachEmptyFieldOnItsOwn) {
    struct Case {
        const char* name;
        void (*fill)(VaultItem&);
        const char* expected;
    } cases[] = {
        {"address", [](VaultItem& i) { i.address = "a"; }, "T\r\nAddress:\ta\r\n\r\n"},
        {"id", [](VaultItem& i) { i.id = "u"; }, "T\r\nID:\tu\r\n\r\n"},
        {"password", [](VaultItem& i) { i.password = "p"; }, "T\r\nPW:\tp\r\n\r\n"},
        {"etc4 name", [](VaultItem& i) { i.etcName[3] = "n"; }, "T\r\nn\t\r\n\r\n"},
        {"etc6 text", [](VaultItem& i) { i.etcText[5] = "t"; }, "T\r\n\tt\r\n\r\n"},
        {"memo", [](VaultItem& i) { i.memo = "m"; }, "T\r\nm\r\n\r\n"},
        {"empty title", [](VaultItem& i) { i.title.clear(); }, "\r\n\r\n"},
    };
    for (const auto& c : cases) {
        VaultItem item = titled("T");
        c.fill(item);
        std::string block;
        appendListingBlock(block, item, ListingLines::NonEmptyOnly);
        EXPECT_EQ(block, c.expected) << c.name;
    }
}

TEST(TextListing, ItemsFollowFolderByFolderInTreeOrderWithoutFolderNames) {
    VaultTree tree;
    TreeNode first = tree.insertFolder({"First", 0});
    TreeNode second = tree.insertFolder({"Second", 2});
    addItem(tree, second, titled("c"));
    addItem(tree, first, titled("a"));
    addItem(tree, first, titled("b"));
    tree.insertFolder({"Empty", 0});
    EXPECT_EQ(textListing(tree, ListingLines::NonEmptyOnly), "a\r\n\r\nb\r\n\r\nc\r\n\r\n");
}
