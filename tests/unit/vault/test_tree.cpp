#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

std::unique_ptr<VaultItem> makeItem(const std::string& title, const std::string& address = "") {
    auto item = std::make_unique<VaultItem>();
    item->title = title;
    item->address = address;
    return item;
}

// "Folder[a,b] Other[c]": the whole tree as text, in order.
std::string dump(const VaultTree& tree) {
    std::string out;
    for (TreeNode f = tree.firstFolder(); f != kNoNode; f = tree.nextSibling(f)) {
        if (!out.empty()) out += ' ';
        out += tree.text(f) + '[';
        for (TreeNode i = tree.firstChild(f); i != kNoNode; i = tree.nextSibling(i)) {
            if (i != tree.firstChild(f)) out += ',';
            out += tree.text(i);
            EXPECT_EQ(tree.parent(i), f);
            EXPECT_EQ(tree.item(i)->title, tree.text(i));
        }
        out += ']';
    }
    return out;
}

struct Recorder : VaultTree::Observer {
    std::vector<std::string> events;
    void nodeAboutToBeInserted(TreeNode, std::size_t row) override {
        events.push_back("insert@" + std::to_string(row));
    }
    void nodeInserted(TreeNode) override {}
    void nodeAboutToBeRemoved(TreeNode) override {}
    void nodeRemoved(TreeNode, std::size_t row) override {
        events.push_back("remove@" + std::to_string(row));
    }
    void nodeChanged(TreeNode) override { events.push_back("change"); }
    void aboutToReset() override { events.push_back("reset"); }
    void resetDone() override {}
};

}  // namespace

TEST(VaultTree, HandlesAreUniqueAndNeverHotkeyIds) {
    std::set<TreeNode> seen;
    for (int round = 0; round < 3; ++round) {
        VaultTree tree;
        TreeNode f = tree.insertFolder({"F", 0});
        seen.insert(f);
        for (int i = 0; i < 20; ++i) seen.insert(tree.insertItem(f, makeItem("i")));
        tree.remove(f);
        // a new node after a removal gets a fresh handle, never the old one
        seen.insert(tree.insertFolder({"G", 0}));
    }
    EXPECT_EQ(seen.size(), 3u * 22u);
    EXPECT_GT(*seen.begin(), 10u);
}

TEST(VaultTree, InsertPositionsAndNavigation) {
    VaultTree tree;
    TreeNode b = tree.insertFolder({"B", 0});
    TreeNode a = tree.insertFolder({"A", 0}, kNoNode);  // first
    TreeNode c = tree.insertFolder({"C", 2});           // last
    TreeNode bb = tree.insertFolder({"BB", 0}, b);      // after a sibling
    EXPECT_EQ(tree.firstFolder(), a);
    EXPECT_EQ(tree.nextSibling(a), b);
    EXPECT_EQ(tree.nextSibling(b), bb);
    EXPECT_EQ(tree.previousSibling(c), bb);
    EXPECT_EQ(tree.nextSibling(c), kNoNode);
    EXPECT_EQ(tree.parent(a), kNoNode);
    EXPECT_EQ(tree.data(c), 2);
    EXPECT_EQ(tree.image(c), VaultTree::kFolderImage);

    TreeNode x = tree.insertItem(b, makeItem("x"));
    TreeNode z = tree.insertItem(b, makeItem("z", "https://z"));
    tree.insertItem(b, makeItem("w"), kNoNode);
    tree.insertItem(b, makeItem("y"), x);
    EXPECT_EQ(dump(tree), "A[] B[w,x,y,z] BB[] C[]");
    EXPECT_EQ(tree.image(x), VaultTree::kIncompleteItemImage);
    EXPECT_EQ(tree.image(z), VaultTree::kCompleteItemImage);
    EXPECT_EQ(tree.row(z), 3u);
    EXPECT_EQ(tree.childAt(b, 1), x);
    EXPECT_EQ(tree.childCount(kNoNode), 4u);
    EXPECT_EQ(tree.itemCount(), 4u);

    // Visible order: folders, plus the items of expanded folders.
    std::vector<std::string> visible;
    tree.setExpanded(b, true);
    for (TreeNode n = tree.firstVisible(); n != kNoNode; n = tree.nextVisible(n))
        visible.push_back(tree.text(n));
    EXPECT_EQ(visible, (std::vector<std::string>{"A", "B", "w", "x", "y", "z", "BB", "C"}));

    EXPECT_THROW(tree.insertItem(kNoNode, makeItem("orphan")), std::invalid_argument);
    EXPECT_THROW(tree.insert(x, "below an item", 1, 0), std::invalid_argument);
    EXPECT_THROW(tree.insertItem(a, makeItem("q"), x), std::invalid_argument);
}

TEST(VaultTree, RemoveTakesChildrenAndSelection) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({"F", 0});
    TreeNode g = tree.insertFolder({"G", 0});
    TreeNode i = tree.insertItem(f, makeItem("i"));
    TreeNode j = tree.insertItem(g, makeItem("j"));
    tree.select(i);
    tree.remove(f);
    EXPECT_FALSE(tree.contains(f));
    EXPECT_FALSE(tree.contains(i));
    EXPECT_EQ(tree.item(i), nullptr);
    EXPECT_EQ(tree.selection(), kNoNode);
    EXPECT_EQ(tree.row(g), 0u);
    EXPECT_EQ(dump(tree), "G[j]");
    tree.remove(j);
    EXPECT_EQ(dump(tree), "G[]");
}

TEST(VaultTree, FindFolderAndItemAreExact) {
    VaultTree tree;
    TreeNode f1 = tree.insertFolder({"Work", 0});
    TreeNode f2 = tree.insertFolder({"Work", 0});  // files may hold two of one name
    EXPECT_EQ(tree.findFolder("Work"), f1);
    EXPECT_EQ(tree.findFolder("work"), kNoNode);
    EXPECT_EQ(tree.findFolder("Wor"), kNoNode);
    EXPECT_NE(f1, f2);
    TreeNode a1 = tree.insertItem(f1, makeItem("Bank"));
    tree.insertItem(f1, makeItem("bank"));
    TreeNode a3 = tree.insertItem(f1, makeItem("Bank"));
    EXPECT_EQ(tree.findItem(f1, "Bank"), a1);
    EXPECT_EQ(tree.findItem(f1, "Bank", a1), a3);
    EXPECT_EQ(tree.findItem(f1, "Bank", a3), kNoNode);
    EXPECT_EQ(tree.findItem(f2, "Bank"), kNoNode);
}

TEST(VaultTree, TransferItemMovesTheSameRecordOrCopiesIt) {
    VaultTree tree;
    TreeNode f = tree.insertFolder({"F", 0});
    TreeNode g = tree.insertFolder({"G", 0});
    TreeNode a = tree.insertItem(f, makeItem("a"));
    TreeNode b = tree.insertItem(f, makeItem("b"));
    TreeNode c = tree.insertItem(g, makeItem("c"));
    tree.item(a)->launchKey = {0x41, 2};
    VaultItem* record = tree.item(a);

    std::vector<std::pair<TreeNode, TreeNode>> transfers;
    auto note = [&](TreeNode from, TreeNode to) { transfers.emplace_back(from, to); };
    TreeNode moved = tree.transferItem(a, g, c, false, note);
    EXPECT_EQ(tree.item(moved), record);  // the same record, now owned by the new node
    EXPECT_FALSE(tree.contains(a));
    EXPECT_EQ(dump(tree), "F[b] G[c,a]");
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0], std::make_pair(a, moved));

    TreeNode copied = tree.transferItem(b, g, g, true);  // onto the folder: first child
    EXPECT_NE(tree.item(copied), tree.item(b));
    EXPECT_EQ(dump(tree), "F[b] G[b,c,a]");
    EXPECT_EQ(tree.item(moved)->launchKey, (HotKeyValue{0x41, 2}));

    // A bad position is refused before the record leaves its node.
    EXPECT_THROW(tree.transferItem(b, g, b, false), std::invalid_argument);
    EXPECT_EQ(tree.item(b)->title, "b");
    EXPECT_EQ(dump(tree), "F[b] G[b,c,a]");
}

TEST(VaultTree, FolderEdits) {
    auto build = [](VaultTree& tree, TreeNode& f, TreeNode& g, TreeNode& h) {
        f = tree.insertFolder({"F", 2});
        g = tree.insertFolder({"G", 0});
        h = tree.insertFolder({"H", 0});
        tree.insertItem(f, makeItem("f1"));
        tree.insertItem(f, makeItem("f2"));
        tree.insertItem(g, makeItem("g1"));
        tree.insertItem(g, makeItem("g2"));
    };
    {
        VaultTree tree;
        TreeNode f, g, h;
        build(tree, f, g, h);
        int transfers = 0;
        TreeNode moved = tree.moveFolder(f, h, [&](TreeNode, TreeNode) { ++transfers; });
        EXPECT_EQ(dump(tree), "G[g1,g2] H[] F[f1,f2]");
        EXPECT_EQ(tree.data(moved), 2);
        EXPECT_FALSE(tree.contains(f));
        EXPECT_EQ(transfers, 2);
    }
    {
        VaultTree tree;
        TreeNode f, g, h;
        build(tree, f, g, h);
        tree.mergeFolder(f, g, tree.firstChild(g));
        EXPECT_EQ(dump(tree), "G[g1,f1,f2,g2] H[]");
    }
    {
        VaultTree tree;
        TreeNode f, g, h;
        build(tree, f, g, h);
        tree.mergeFolder(f, g, g);
        EXPECT_EQ(dump(tree), "G[f1,f2,g1,g2] H[]");
    }
    {
        VaultTree tree;
        TreeNode f, g, h;
        build(tree, f, g, h);
        tree.copyFolder(g, f, tree.lastChild(f));
        EXPECT_EQ(dump(tree), "F[f1,f2,g1,g2] G[g1,g2] H[]");
        EXPECT_NE(tree.item(tree.lastChild(f)), tree.item(tree.lastChild(g)));
    }
}

TEST(VaultTree, ObserverHearsEveryChange) {
    VaultTree tree;
    Recorder recorder;
    tree.setObserver(&recorder);
    TreeNode f = tree.insertFolder({"F", 0});
    TreeNode i = tree.insertItem(f, makeItem("i"));
    tree.item(i)->title = "renamed";
    tree.itemChanged(i);
    EXPECT_EQ(tree.text(i), "renamed");
    tree.remove(i);
    tree.clear();
    EXPECT_EQ(recorder.events,
              (std::vector<std::string>{"insert@0", "insert@0", "change", "remove@0", "reset"}));
}
