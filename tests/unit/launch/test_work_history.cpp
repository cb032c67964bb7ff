#include "launch/WorkHistory.h"

#include "vault/VaultTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

// A folder with items "A".."F"; tests name items by letter.
class WorkHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = tree.insertFolder({"Web", 0});
        for (char c = 'A'; c <= 'F'; ++c) {
            auto item = std::make_unique<VaultItem>();
            item->title = std::string(1, c);
            nodes.push_back(tree.insertItem(folder, std::move(item)));
        }
    }
    TreeNode n(char c) const { return nodes[static_cast<std::size_t>(c - 'A')]; }
    std::vector<TreeNode> ns(const std::string& letters) const {
        std::vector<TreeNode> result;
        for (char c : letters) result.push_back(n(c));
        return result;
    }
    void recordAll(const std::string& letters) {
        for (char c : letters) history.record(tree, n(c));
    }

    VaultTree tree;
    TreeNode folder = kNoNode;
    std::vector<TreeNode> nodes;
    WorkHistory history;
};

TEST_F(WorkHistoryTest, RecordKeepsEachItemOnceNewestLast) {
    struct Case {
        std::string before;  // recorded in this order
        int chosen;          // position made current before the record; -1 = leave
        char recorded;       // '/' = the folder
        std::string after;
        int current;
    };
    const Case cases[] = {
        {"", -1, 'A', "A", 0},      {"ABC", -1, 'D', "ABCD", 3},
        {"ABC", -1, 'A', "BCA", 2},  // moved to the end, not added twice
        {"ABC", 1, 'A', "BCA", 2},   // removed before the current position
        {"ABC", 1, '/', "ABC", 1},   // folders are never recorded
        {"ABC", -1, 'C', "ABC", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before + " + " + c.recorded);
        history.clear();
        recordAll(c.before);
        if (c.chosen >= 0) history.choose(c.chosen);
        history.record(tree, c.recorded == '/' ? folder : n(c.recorded));
        EXPECT_EQ(history.entries(), ns(c.after));
        EXPECT_EQ(history.current(), c.current);
    }
}

TEST_F(WorkHistoryTest, HoldsTwentyEntriesAndDropsTheOldest) {
    std::vector<TreeNode> items;
    for (int i = 0; i < 21; ++i) {
        auto item = std::make_unique<VaultItem>();
        item->title = "item " + std::to_string(i);
        items.push_back(tree.insertItem(folder, std::move(item)));
        history.record(tree, items.back());
    }
    EXPECT_EQ(history.entries(), std::vector<TreeNode>(items.begin() + 1, items.end()));
    EXPECT_EQ(history.current(), 19);
    // Recording one already held does not drop anything.
    history.record(tree, items[5]);
    EXPECT_EQ(history.entries().size(), 20u);
    EXPECT_EQ(history.entries().front(), items[1]);
    EXPECT_EQ(history.entries().back(), items[5]);
}

TEST_F(WorkHistoryTest, ForgetKeepsTheCurrentPositionOnAnExistingEntry) {
    struct Case {
        int current;
        char forgotten;
        std::string after;
        int currentAfter;
    };
    // History "ABCD".
    const Case cases[] = {
        {1, 'B', "ACD", 1},                       // the following entry becomes current
        {2, 'A', "BCD", 1},                       // still on C
        {1, 'D', "ABC", 1},  {3, 'D', "ABC", 2},  // the last one: back to the new last entry
        {3, 'E', "ABCD", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("current ") + std::to_string(c.current) + " forget " +
                     c.forgotten);
        history.clear();
        recordAll("ABCD");
        history.choose(c.current);
        history.forget(n(c.forgotten));
        EXPECT_EQ(history.entries(), ns(c.after));
        EXPECT_EQ(history.current(), c.currentAfter);
    }
}

TEST_F(WorkHistoryTest, ForgettingTheLastEntriesNeverLeavesNavigationPastTheEnd) {
    recordAll("AB");
    history.forget(n('B'));
    EXPECT_EQ(history.current(), 0);
    EXPECT_FALSE(history.canGoNext());
    EXPECT_EQ(history.next(), kNoNode);
    EXPECT_TRUE(history.canGoPrevious(kNoNode));  // the selection went with the deleted item
    EXPECT_EQ(history.previous(kNoNode), n('A'));

    history.forget(n('A'));
    EXPECT_EQ(history.current(), WorkHistory::kNone);
    EXPECT_FALSE(history.canGoPrevious(kNoNode));
    EXPECT_FALSE(history.canGoNext());
    EXPECT_FALSE(history.canShowHistory());
    EXPECT_EQ(history.previous(kNoNode), kNoNode);
}

TEST_F(WorkHistoryTest, PreviousAndNextWalkWithoutRecording) {
    recordAll("ABC");
    tree.select(n('C'));
    struct Step {
        bool previous;  // false = Next
        char expected;  // '-' = disabled, nothing selected
        int current;
    };
    const Step steps[] = {{true, 'B', 1},  {true, 'A', 0},  {true, '-', 0}, {false, 'B', 1},
                          {false, 'C', 2}, {false, '-', 2}, {true, 'B', 1}};
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.previous ? "previous to " : "next to ") + s.expected);
        EXPECT_EQ(s.previous ? history.canGoPrevious(tree.selection()) : history.canGoNext(),
                  s.expected != '-');
        const TreeNode target = s.previous ? history.previous(tree.selection()) : history.next();
        EXPECT_EQ(target, s.expected == '-' ? kNoNode : n(s.expected));
        if (target != kNoNode) tree.select(target);
        EXPECT_EQ(history.current(), s.current);
        EXPECT_EQ(history.entries(), ns("ABC"));
    }
}

TEST_F(WorkHistoryTest, PreviousFromAnotherSelectionReturnsToTheCurrentEntry) {
    recordAll("AB");
    tree.select(n('E'));  // the user looked elsewhere without recording
    EXPECT_EQ(history.previous(tree.selection()), n('B'));
    EXPECT_EQ(history.current(), 1);
    // At the first entry, Previous stays enabled only while another node is selected.
    history.choose(0);
    EXPECT_TRUE(history.canGoPrevious(n('E')));
    EXPECT_FALSE(history.canGoPrevious(n('A')));
}

TEST_F(WorkHistoryTest, ReplaceFollowsAMovedItem) {
    recordAll("ABC");
    const TreeNode moved = tree.transferItem(n('B'), folder, kNoNode, false);
    history.replace(n('B'), moved);
    EXPECT_EQ(history.entries(), (std::vector<TreeNode>{n('A'), moved, n('C')}));
    EXPECT_EQ(history.current(), 2);
}

TEST_F(WorkHistoryTest, MenuListsNewestFirstAndChecksTheSelection) {
    EXPECT_TRUE(history.menuEntries(tree, kNoNode).empty());
    recordAll("ABCD");
    // A node that left the tree without being forgotten shows as deleted.
    history.replace(n('C'), 0xFFFFFF0u);
    // Two positions with the same node: only the newer one is checked.
    history.replace(n('A'), n('D'));
    using E = WorkHistory::MenuEntry;
    EXPECT_EQ(history.menuEntries(tree, n('D')),
              (std::vector<E>{
                  {"D", 3, true}, {"  ( deleted )", 2, false}, {"B", 1, false}, {"D", 0, false}}));
    EXPECT_EQ(history.menuEntries(tree, n('B'))[2], (E{"B", 1, true}));

    EXPECT_EQ(history.choose(1), n('B'));
    EXPECT_EQ(history.current(), 1);
    EXPECT_EQ(history.choose(4), kNoNode);
    EXPECT_EQ(history.current(), 1);
}

}  // namespace
