#include "app/TreeDrop.h"

#include "launch/HotKeyRegistry.h"
#include "launch/WorkHistory.h"
#include "platform/fake/FakeHotKeys.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>

using namespace kivrano;
using namespace kivrano::testing;

namespace {

const HotKeyValue kCtrlShiftM{0x4D, HotKeyValue::kCtrl | HotKeyValue::kShift};
const HotKeyValue kCtrlF1{0x70, HotKeyValue::kCtrl};

constexpr DragKeys kNone{};
constexpr DragKeys kCtrl{true, false, false};
constexpr DragKeys kAlt{false, true, false};
constexpr DragKeys kShift{false, false, true};
constexpr DragKeys kCtrlShift{true, false, true};

// A small vault with the drag and drop wired to a real history and key registry.
struct DropWorld {
    DropWorld() {
        // A (protected): a1 with a launching key, a2. B (unprotected, 2): b1 with a key, b2.
        // C: c1.
        a = tree().insertFolder({"A", 0});
        a1 = addItem(a, "a1", kCtrlShiftM);
        a2 = addItem(a, "a2", {});
        b = tree().insertFolder({"B", 2});
        b1 = addItem(b, "b1", kCtrlF1);
        b2 = addItem(b, "b2", {});
        c = tree().insertFolder({"C", 0});
        c1 = addItem(c, "c1", {});
        doc.setModified(false);
        registry.registerLaunchKey(a1, kCtrlShiftM);
        registry.registerLaunchKey(b1, kCtrlF1);

        auto& hooks = dragDrop.hooks();
        hooks.unregisterLaunchKey = [this](TreeNode n) {
            unregistered.push_back(n);
            registry.unregisterOne(n);
        };
        hooks.replaceInHistory = [this](TreeNode from, TreeNode to) { history.replace(from, to); };
        hooks.forgetNode = [this](TreeNode n) { history.forget(n); };
    }

    VaultTree& tree() { return doc.tree(); }
    TreeNode addItem(TreeNode folder, const std::string& title, HotKeyValue key) {
        auto item = std::make_unique<VaultItem>();
        item->title = title;
        item->address = "https://" + title + ".example";
        item->launchKey = key;
        return tree().insertItem(folder, std::move(item));
    }
    // The tree as text: "A[a1,a2] B[b1,b2]".
    std::string layout() {
        std::string text;
        for (TreeNode f = tree().firstFolder(); f != kNoNode; f = tree().nextSibling(f)) {
            if (!text.empty()) text += ' ';
            text += tree().text(f) + '[';
            for (TreeNode i = tree().firstChild(f); i != kNoNode; i = tree().nextSibling(i))
                text += (i == tree().firstChild(f) ? "" : ",") + tree().text(i);
            text += ']';
        }
        return text;
    }
    // "B/a1" for an item, "B" for a folder.
    std::string pathOf(TreeNode node) {
        if (node == kNoNode) return "-";
        if (tree().isFolder(node)) return tree().text(node);
        return tree().text(tree().parent(node)) + "/" + tree().text(node);
    }
    // The first folder, else the first item in tree order, with that text.
    TreeNode byName(const std::string& name) {
        if (TreeNode folder = tree().findFolder(name); folder != kNoNode) return folder;
        for (TreeNode f = tree().firstFolder(); f != kNoNode; f = tree().nextSibling(f))
            if (TreeNode item = tree().findItem(f, name); item != kNoNode) return item;
        return kNoNode;
    }
    // A press on the node selects it before the drag begins.
    TreeNode drag(TreeNode node, DragKeys keys, TreeNode target) {
        tree().select(node);
        EXPECT_TRUE(dragDrop.begin(node, keys));
        return dragDrop.drop(target);
    }

    ScriptedPrompter prompter;
    platform::FakeHotKeys hotKeys;
    HotKeyRegistry registry{hotKeys};
    CKivranoDoc doc{prompter, &registry};
    WorkHistory history;
    TreeDrop dragDrop{doc, prompter, &registry};
    std::vector<TreeNode> unregistered;
    TreeNode a = kNoNode, a1 = kNoNode, a2 = kNoNode, b = kNoNode, b1 = kNoNode, b2 = kNoNode,
             c = kNoNode, c1 = kNoNode;
};

class TreeDropTest : public ::testing::Test, public DropWorld {};

}  // namespace

TEST_F(TreeDropTest, OutcomesByDraggedNodeKeysAndTarget) {
    const char* const unchanged = "A[a1,a2] B[b1,b2] C[c1]";
    struct Case {
        const char* name;
        const char* dragged;
        DragKeys keys;
        const char* target;  // "" = released over no node
        std::optional<StringId> question;
        bool answer;
        const char* layout;
        const char* selected;
        bool modified;
    };
    const Case cases[] = {
        // Items: moved or copied without a question, after the drop node or to the top.
        {"item onto a folder", "a1", kNone, "B", {}, true, "A[a2] B[a1,b1,b2] C[c1]", "B/a1", true},
        {"item onto an item", "a1", kNone, "b1", {}, true, "A[a2] B[b1,a1,b2] C[c1]", "B/a1", true},
        {"Shift moves an item too",
         "a1",
         kShift,
         "b2",
         {},
         true,
         "A[a2] B[b1,b2,a1] C[c1]",
         "B/a1",
         true},
        {"item onto its own folder goes to the top",
         "a2",
         kNone,
         "A",
         {},
         true,
         "A[a2,a1] B[b1,b2] C[c1]",
         "A/a2",
         true},
        {"item within its folder",
         "a1",
         kNone,
         "a2",
         {},
         true,
         "A[a2,a1] B[b1,b2] C[c1]",
         "A/a1",
         true},
        {"Ctrl copies an item",
         "a1",
         kCtrl,
         "B",
         {},
         true,
         "A[a1,a2] B[a1,b1,b2] C[c1]",
         "B/a1",
         true},
        {"Ctrl and Shift copy",
         "a1",
         kCtrlShift,
         "b1",
         {},
         true,
         "A[a1,a2] B[b1,a1,b2] C[c1]",
         "B/a1",
         true},
        {"item onto itself", "a1", kNone, "a1", {}, true, unchanged, "A/a1", false},
        {"item onto nothing", "a1", kNone, "", {}, true, unchanged, "A/a1", false},
        // Folders: one question by mode; the answer No changes nothing.
        {"folder onto an item of another folder moves below it", "A", kNone, "b1",
         StringId::MoveFolderQuestion, true, "B[b1,b2] A[a1,a2] C[c1]", "A", true},
        {"folder onto a folder moves below it", "A", kNone, "C", StringId::MoveFolderQuestion, true,
         "B[b1,b2] C[c1] A[a1,a2]", "A", true},
        {"folder move declined", "A", kNone, "C", StringId::MoveFolderQuestion, false, unchanged,
         "C", false},
        {"Shift merges and removes the emptied folder", "A", kShift, "B",
         StringId::MergeFolderQuestion, true, "B[a1,a2,b1,b2] C[c1]", "B", true},
        {"Shift merges after the drop node", "A", kShift, "b1", StringId::MergeFolderQuestion, true,
         "B[b1,a1,a2,b2] C[c1]", "B/b1", true},
        {"merge declined", "A", kShift, "B", StringId::MergeFolderQuestion, false, unchanged, "B",
         false},
        {"Ctrl copies a folder's items", "A", kCtrl, "B", StringId::CopyFolderQuestion, true,
         "A[a1,a2] B[a1,a2,b1,b2] C[c1]", "B", true},
        {"Ctrl and Shift copy a folder's items", "A", kCtrlShift, "c1",
         StringId::CopyFolderQuestion, true, "A[a1,a2] B[b1,b2] C[c1,a1,a2]", "C/c1", true},
        {"folder onto one of its own items", "A", kNone, "a2", {}, true, unchanged, "A/a2", false},
        {"folder onto itself", "A", kShift, "A", {}, true, unchanged, "A", false},
        {"folder onto nothing", "A", kNone, "", {}, true, unchanged, "A", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        DropWorld fresh;  // every case starts from the same tree and no earlier mode
        fresh.prompter.yesNoAnswers = {k.answer};
        const TreeNode dragged = fresh.byName(k.dragged);
        const TreeNode target = *k.target ? fresh.byName(k.target) : kNoNode;
        const TreeNode selected = fresh.drag(dragged, k.keys, target);
        EXPECT_FALSE(fresh.dragDrop.isDragging());
        EXPECT_EQ(fresh.layout(), k.layout);
        EXPECT_EQ(fresh.pathOf(selected), k.selected);
        EXPECT_EQ(fresh.tree().selection(), selected);
        EXPECT_EQ(fresh.doc.isModified(), k.modified);
        const std::vector<std::string> asked =
            k.question ? std::vector<std::string>{std::string(text(*k.question))}
                       : std::vector<std::string>{};
        EXPECT_EQ(fresh.prompter.questions, asked);
    }
}

TEST_F(TreeDropTest, AMovedFolderKeepsItsProtectionValueAndItsOpenState) {
    tree().setExpanded(b, true);
    prompter.yesNoAnswers = {true};
    const TreeNode moved = drag(b, kNone, c);
    EXPECT_EQ(layout(), "A[a1,a2] C[c1] B[b1,b2]");
    EXPECT_EQ(tree().data(moved), 2);
    EXPECT_TRUE(tree().isExpanded(moved));
}

TEST_F(TreeDropTest, AltRepeatsThePreviousModeAndBeforeAnyDragMoves) {
    // No drag yet: Alt alone moves (a folder is reordered), never copies.
    prompter.yesNoAnswers = {true};
    drag(c, kAlt, a);
    EXPECT_EQ(layout(), "A[a1,a2] C[c1] B[b1,b2]");
    EXPECT_TRUE(dragDrop.moveMode());
    EXPECT_TRUE(dragDrop.reorderMode());
    // After that reorder, an item dragged with Alt simply moves: no folder is made of it.
    drag(a2, kAlt, byName("c1"));
    EXPECT_EQ(layout(), "A[a1] C[c1,a2] B[b1,b2]");
    // After a copy, Alt copies again, also with Shift held.
    drag(a1, kCtrl, b);
    drag(byName("b2"), DragKeys{false, true, true}, b);
    EXPECT_TRUE(dragDrop.copyMode());
    EXPECT_EQ(layout(), "A[a1] C[c1,a2] B[b2,a1,b1,b2]");
    // After a Shift move of an item, a folder dragged with Alt merges.
    drag(a1, kShift, a);
    prompter.yesNoAnswers = {true};
    drag(a, kAlt, byName("C"));
    EXPECT_EQ(prompter.questions.back(), text(StringId::MergeFolderQuestion));
    EXPECT_EQ(layout(), "C[a1,c1,a2] B[b2,a1,b1,b2]");
}

TEST_F(TreeDropTest, MovedItemsTakeTheirLaunchingKeysAlongCopiesGetNone) {
    // A moved item's key fires for its new node, in its new folder.
    const TreeNode moved = drag(a1, kNone, b);
    EXPECT_EQ(unregistered, std::vector<TreeNode>{a1});
    EXPECT_EQ(hotKeys.press(kCtrlShiftM), std::optional<platform::HotKeyId>(moved));
    EXPECT_EQ(tree().parent(moved), b);
    EXPECT_EQ(tree().item(moved)->launchKey, kCtrlShiftM);

    // Copies, of an item or of a folder's items, register nothing and drop nothing.
    unregistered.clear();
    const std::size_t registrations = registry.records().size();
    drag(moved, kCtrl, c);
    prompter.yesNoAnswers = {true};
    drag(b, kCtrl, c);
    EXPECT_TRUE(unregistered.empty());
    EXPECT_EQ(registry.records().size(), registrations);
    EXPECT_EQ(hotKeys.press(kCtrlShiftM), std::optional<platform::HotKeyId>(moved));

    // A merge carries every key of the merged folder; items without one register nothing.
    prompter.yesNoAnswers = {true};
    drag(b, kShift, a);
    EXPECT_EQ(unregistered, (std::vector<TreeNode>{moved, b1, b2}));
    const TreeNode newA1 = tree().firstChild(a);
    EXPECT_EQ(pathOf(newA1), "A/a1");
    EXPECT_EQ(hotKeys.press(kCtrlShiftM), std::optional<platform::HotKeyId>(newA1));
    EXPECT_EQ(pathOf(static_cast<TreeNode>(*hotKeys.press(kCtrlF1))), "A/b1");
    EXPECT_EQ(registry.records().size(), registrations);
}

TEST_F(TreeDropTest, TheHistoryFollowsTheMovedNode) {
    history.record(tree(), a2);
    history.record(tree(), a1);
    history.record(tree(), b1);
    const TreeNode moved = drag(a1, kNone, c);
    EXPECT_EQ(history.entries(), (std::vector<TreeNode>{a2, moved, b1}));
    EXPECT_EQ(history.current(), 2);
    // A copy takes over the original's entries as well.
    const TreeNode copy = drag(a2, kCtrl, c);
    EXPECT_EQ(history.entries(), (std::vector<TreeNode>{copy, moved, b1}));
    // A merged folder's items keep their places in the history under their new nodes.
    prompter.yesNoAnswers = {true};
    drag(b, kShift, a);
    EXPECT_EQ(history.entries(), (std::vector<TreeNode>{copy, moved, tree().firstChild(a)}));
    EXPECT_EQ(pathOf(history.entries().back()), "A/b1");
}

TEST_F(TreeDropTest, TheWordIndexFollowsMovedCopiedAndReorderedNodes) {
    for (TreeNode f = tree().firstFolder(); f != kNoNode; f = tree().nextSibling(f)) {
        doc.indexNode(f);
        for (TreeNode i = tree().firstChild(f); i != kNoNode; i = tree().nextSibling(i))
            doc.indexNode(i);
    }
    // Where the entries of a prefix lead; a node no longer in the tree would be "gone".
    auto found = [&](std::string_view prefix) {
        std::set<std::string> paths;
        doc.index().forEachMatch(prefix, [&](const CDic::Entry& e) {
            paths.insert(tree().contains(e.node) ? pathOf(e.node) : "gone");
            return true;
        });
        return paths;
    };
    ASSERT_TRUE(dragDrop.begin(a1, kNone));
    dragDrop.drop(b);
    EXPECT_EQ(found("a1"), std::set<std::string>{"B/a1"});
    ASSERT_TRUE(dragDrop.begin(c1, kCtrl));
    dragDrop.drop(a);
    EXPECT_EQ(found("c1"), (std::set<std::string>{"A/c1", "C/c1"}));
    prompter.yesNoAnswers = {true};
    ASSERT_TRUE(dragDrop.begin(a, kNone));  // reordered after C
    dragDrop.drop(c);
    EXPECT_EQ(layout(), "B[a1,b1,b2] C[c1] A[c1,a2]");
    EXPECT_EQ(found("a"), (std::set<std::string>{"A", "A/a2", "B/a1"}));
}

TEST_F(TreeDropTest, CancelledDragChangesNothingAndBeginNeedsANode) {
    ASSERT_TRUE(dragDrop.begin(a1, kCtrl));
    EXPECT_TRUE(dragDrop.isDragging());
    EXPECT_EQ(dragDrop.draggedNode(), a1);
    dragDrop.cancel();
    EXPECT_FALSE(dragDrop.isDragging());
    EXPECT_EQ(dragDrop.drop(b), tree().selection());
    EXPECT_EQ(layout(), "A[a1,a2] B[b1,b2] C[c1]");
    EXPECT_FALSE(doc.isModified());
    EXPECT_FALSE(dragDrop.begin(kNoNode, kNone));
    EXPECT_FALSE(dragDrop.isDragging());
}

TEST(TreeDropScroll, RatesByWhereThePointerIs) {
    using H = DragScroll::Highlight;
    // The tree's area: (0, 0) to (199, 299).
    struct Case {
        const char* name;
        int x, y;
        DragScroll scroll;
    };
    const Case cases[] = {
        {"well inside", 100, 150, {0, 0, H::UnderPointer}},
        {"5 pixels inside the bottom", 100, 294, {1, 0, H::UnderPointer}},
        {"below the tree", 100, 300, {4, 0, H::LastVisible}},
        {"far below, as far as the pointer goes", 100, 900, {4, 0, H::LastVisible}},
        {"just inside the top", 100, 9, {-1, 0, H::UnderPointer}},
        {"above the tree", 100, -1, {-4, 0, H::FirstVisible}},
        {"the bottom edge wins over a side", 2, 295, {1, 0, H::UnderPointer}},
        {"near the left", 9, 150, {0, -1, H::UnderPointer}},
        {"left of the tree", -3, 150, {0, -1, H::FirstVisible}},
        {"near the right", 190, 150, {0, 1, H::UnderPointer}},
        {"right of the tree", 205, 150, {0, 1, H::FirstVisible}},
        {"10 pixels inside every edge", 10, 10, {0, 0, H::UnderPointer}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(TreeDrop::scrollFor(k.x, k.y, 0, 0, 199, 299), k.scroll);
    }
}
