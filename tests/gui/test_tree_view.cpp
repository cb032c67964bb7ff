#include "ui/CKeySettingDlg.h"
#include "ui/CKivranoView.h"
#include "ui/CTextFormatDlg.h"
#include "ui/VaultTreeModel.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "platform/fake/RecordingShell.h"
#include "vault/CKivranoDoc.h"
#include "vault/Strings.h"

#include "support/ScriptedPrompter.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>

using namespace kivrano;
using namespace kivrano::testing;

namespace {

// Warnings from Qt (the model tester reports through them) collected while a test runs.
QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) g_warnings << text;
}

struct ScriptedFolderName : FolderNameDialog {
    std::deque<std::optional<std::string>> answers;
    std::optional<std::string> run(const std::string&) override {
        if (answers.empty()) throw std::logic_error("Folder Name dialog not expected");
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class TreeViewTest : public ::testing::Test {
protected:
    TreeViewTest() {
        a = tree().insertFolder({"A", 0});
        a1 = addItem(a, "a1", "https://a.example");
        a2 = addItem(a, "a2", "");
        b = tree().insertFolder({"B", 2});
        b1 = addItem(b, "b1", "https://b.example");

        view = std::make_unique<CKivranoView>(doc, prompter, shell, nullptr, &fieldList,
                                              [this](TreeNode n) { shown.push_back(n); });
        view->commands().dialogs().folderName = &folderName;
        view->commands().hooks().recordNode = [this](TreeNode n) { recorded.push_back(n); };
        view->resize(300, 400);
        view->show();
        view->addCommands(router);
        router.dispatch(cmd::ExpandAll);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    VaultTree& tree() { return doc.tree(); }
    TreeNode addItem(TreeNode folder, const std::string& title, const std::string& address) {
        auto item = std::make_unique<VaultItem>();
        item->title = title;
        item->address = address;
        return tree().insertItem(folder, std::move(item));
    }
    VaultTreeModel& model() { return view->treeModel(); }
    QPoint centreOf(TreeNode node) { return view->visualRect(model().indexOf(node)).center(); }
    TreeNode current() { return model().node(view->currentIndex()); }

    ScriptedPrompter prompter;
    platform::RecordingShell shell;
    CommandRouter router;
    CKivranoDoc doc{prompter};
    QWidget fieldList;
    std::vector<TreeNode> shown;
    std::vector<TreeNode> recorded;
    ScriptedFolderName folderName;
    TreeNode a = kNoNode, a1 = kNoNode, a2 = kNoNode, b = kNoNode, b1 = kNoNode;
    std::unique_ptr<CKivranoView> view;
};

}  // namespace

TEST_F(TreeViewTest, ModelFollowsEveryChangeOfTheTreeWithoutACopy) {
    g_warnings.clear();
    QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    {
        QAbstractItemModelTester tester(&model(),
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        EXPECT_EQ(model().rowCount(), 2);
        EXPECT_EQ(model().rowCount(model().indexOf(a)), 2);
        EXPECT_EQ(model().data(model().indexOf(a2)).toString(), QStringLiteral("a2"));
        EXPECT_EQ(model().parent(model().indexOf(b1)), model().indexOf(b));
        tree().remove(a2);  // a row after the first
        EXPECT_EQ(model().rowCount(model().indexOf(a)), 1);

        const TreeNode c = tree().insertFolder({"Caf\xE9", 0}, a);  // not UTF-8: code page text
        EXPECT_EQ(model().data(model().index(1, 0)).toString(), QStringLiteral(u"Café"));
        tree().transferItem(b1, c, kNoNode, false);
        tree().setText(a1, "caf\xC3\xA9");
        EXPECT_EQ(model().data(model().indexOf(a1)).toString(), QStringLiteral(u"café"));
        const TreeNode moved = tree().moveFolder(a, b);
        tree().remove(tree().firstChild(moved));
        tree().clear();
        EXPECT_EQ(model().rowCount(), 0);
        tree().insertFolder({"again", 0});
        EXPECT_EQ(model().rowCount(), 1);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join('\n').toStdString();
}

TEST_F(TreeViewTest, NodeImagesAreTheFolderAndTheTwoItemKinds) {
    const QIcon folder = model().data(model().indexOf(a), Qt::DecorationRole).value<QIcon>();
    const QIcon complete = model().data(model().indexOf(a1), Qt::DecorationRole).value<QIcon>();
    const QIcon incomplete = model().data(model().indexOf(a2), Qt::DecorationRole).value<QIcon>();
    for (const QIcon& icon : {folder, complete, incomplete}) {
        EXPECT_FALSE(icon.isNull());
        EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    }
    EXPECT_EQ(folder.cacheKey(), VaultTreeModel::nodeIcon(0).cacheKey());
    EXPECT_EQ(incomplete.cacheKey(), VaultTreeModel::nodeIcon(1).cacheKey());
    EXPECT_EQ(complete.cacheKey(), VaultTreeModel::nodeIcon(2).cacheKey());
    EXPECT_NE(complete.cacheKey(), incomplete.cacheKey());
}

TEST_F(TreeViewTest, ClickSelectsRecordsShowsAndRestartsTheAutoLock) {
    doc.settings().autoLockMinutes = 2;
    QTimer* lock = view->viewTimer(ViewTimer::AutoLock);
    lock->stop();

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(a2));
    EXPECT_EQ(tree().selection(), a2);
    EXPECT_EQ(shown.back(), a2);
    EXPECT_EQ(recorded, std::vector<TreeNode>{a2});
    EXPECT_TRUE(lock->isActive());
    EXPECT_EQ(lock->interval(), 120000);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(b));
    EXPECT_EQ(shown.back(), b);
    EXPECT_EQ(recorded.size(), 1u);  // folders are not recorded

    // Keys move the selection; the field list follows.
    QTest::keyClick(view.get(), Qt::Key_Down);
    EXPECT_EQ(tree().selection(), b1);
    EXPECT_EQ(shown.back(), b1);

    // A mouse move over the tree restarts the countdown.
    lock->stop();
    QTest::mouseMove(view->viewport(), centreOf(a1));
    EXPECT_TRUE(lock->isActive());
}

TEST_F(TreeViewTest, CommandsMoveTheSelectionOnScreenAsInTheTree) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(a1));
    folderName.answers = {"New"};
    EXPECT_TRUE(router.dispatch(cmd::FolderAddNew));
    const TreeNode created = tree().findFolder("New");
    EXPECT_EQ(model().data(model().index(1, 0)).toString(), QStringLiteral("New"));
    EXPECT_EQ(current(), created);
    EXPECT_EQ(shown.back(), created);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centreOf(a1));
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(router.dispatch(cmd::ItemDelete));
    EXPECT_EQ(current(), a2);
    EXPECT_EQ(tree().selection(), a2);

    // Collapse All leaves the selection on the closed folder, on screen too.
    EXPECT_TRUE(router.dispatch(cmd::CollapseAll));
    EXPECT_FALSE(view->isExpanded(model().indexOf(a)));
    EXPECT_EQ(current(), a);
    EXPECT_TRUE(router.dispatch(cmd::ExpandAll));
    EXPECT_TRUE(view->isExpanded(model().indexOf(b)));
    EXPECT_TRUE(tree().isExpanded(b));

    EXPECT_FALSE(router.handles(cmd::Save));  // not the view's
}

TEST_F(TreeViewTest, ClosingAFolderByHandIsKnownToTheTree) {
    view->collapse(model().indexOf(a));
    EXPECT_FALSE(tree().isExpanded(a));
    view->expand(model().indexOf(a));
    EXPECT_TRUE(tree().isExpanded(a));
}

TEST_F(TreeViewTest, ContextMenuFollowsTheSelection) {
    auto entry = [](QMenu& menu, int command) -> QAction* {
        for (QAction* action : menu.actions())
            if (action->data().toInt() == command) return action;
        return nullptr;
    };
    QAction topmost;
    topmost.setCheckable(true);
    topmost.setChecked(true);
    view->frameAction = [&](int command) {
        return command == cmd::TopmostWindow ? &topmost : nullptr;
    };

    QPoint shownAt;
    bool unprotectChecked = false;
    std::vector<std::pair<int, bool>> states;  // (command, enabled) of the item/folder entries
    view->runMenu = [&](QMenu& menu, const QPoint& at) -> QAction* {
        shownAt = at;
        states.clear();
        for (int command : {cmd::ItemViewModify, cmd::ItemExecute, cmd::ItemAddNew, cmd::ItemDelete,
                            cmd::FolderAddNew, cmd::FolderDelete, cmd::FolderChangeName,
                            cmd::FolderProtect, cmd::FolderUnprotect})
            states.emplace_back(command, entry(menu, command)->isEnabled());
        EXPECT_TRUE(entry(menu, cmd::TopmostWindow)->isChecked());
        EXPECT_EQ(entry(menu, cmd::ItemExecute)->text(),
                  QStringLiteral("Item - &Execute\tCtrl+Enter or Double Click"));
        unprotectChecked = entry(menu, cmd::FolderUnprotect)->isChecked();
        return nullptr;
    };

    // A right press on an item selects it before the menu shows.
    QContextMenuEvent onItem(QContextMenuEvent::Mouse, centreOf(a1),
                             view->viewport()->mapToGlobal(centreOf(a1)));
    QApplication::sendEvent(view->viewport(), &onItem);
    EXPECT_EQ(tree().selection(), a1);
    EXPECT_EQ(shownAt, view->viewport()->mapToGlobal(centreOf(a1)));
    const std::vector<std::pair<int, bool>> itemStates{
        {cmd::ItemViewModify, true},    {cmd::ItemExecute, true},    {cmd::ItemAddNew, true},
        {cmd::ItemDelete, true},        {cmd::FolderAddNew, true},   {cmd::FolderDelete, false},
        {cmd::FolderChangeName, false}, {cmd::FolderProtect, false}, {cmd::FolderUnprotect, false}};
    EXPECT_EQ(states, itemStates);

    QContextMenuEvent onFolder(QContextMenuEvent::Mouse, centreOf(b),
                               view->viewport()->mapToGlobal(centreOf(b)));
    QApplication::sendEvent(view->viewport(), &onFolder);
    EXPECT_EQ(tree().selection(), b);
    const std::vector<std::pair<int, bool>> folderStates{
        {cmd::ItemViewModify, false},  {cmd::ItemExecute, false},  {cmd::ItemAddNew, true},
        {cmd::ItemDelete, false},      {cmd::FolderAddNew, true},  {cmd::FolderDelete, true},
        {cmd::FolderChangeName, true}, {cmd::FolderProtect, true}, {cmd::FolderUnprotect, true}};
    EXPECT_EQ(states, folderStates);
    EXPECT_TRUE(unprotectChecked);  // B is not password-protected

    // A chosen entry goes to the main window's command route.
    QSignalSpy routed(view.get(), &CKivranoView::commandTriggered);
    std::unique_ptr<QMenu> menu = view->createContextMenu();
    entry(*menu, cmd::FolderDelete)->trigger();
    ASSERT_EQ(routed.count(), 1);
    EXPECT_EQ(routed[0][0].toInt(), cmd::FolderDelete);
}

TEST_F(TreeViewTest, LoadingAnotherVaultShowsItsSelection) {
    VaultTree loaded;
    const TreeNode f = loaded.insertFolder({"Loaded", 0});
    const TreeNode i = loaded.insertItem(f, std::make_unique<VaultItem>());
    loaded.setExpanded(f, true);
    loaded.select(i);
    tree().replaceWith(std::move(loaded));
    EXPECT_EQ(model().rowCount(), 1);
    EXPECT_EQ(current(), i);
    EXPECT_TRUE(view->isExpanded(model().indexOf(f)));
    EXPECT_EQ(tree().selection(), i);
}

TEST_F(TreeViewTest, TimersOfTheView) {
    QTimer* drag = view->viewTimer(ViewTimer::DragScroll);
    QTimer* track = view->viewTimer(ViewTimer::AutoTrack);
    EXPECT_EQ(drag->interval(), 75);
    EXPECT_FALSE(drag->isActive());

    int steps = 0;
    view->commands().hooks().autoTrackStep = [&] { ++steps; };
    view->setAutoTrackPolling(true);
    EXPECT_TRUE(track->isActive());
    EXPECT_EQ(track->interval(), 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return steps > 0; }, 2000));
    view->setAutoTrackPolling(false);
    EXPECT_FALSE(track->isActive());
}

// Mouse events as the window system delivers them, with the keys held.
void sendMouse(QWidget* to, QEvent::Type type, const QPoint& at, Qt::MouseButtons held,
               Qt::KeyboardModifiers keys = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(to->mapToGlobal(at)), button, held, keys);
    QApplication::sendEvent(to, &event);
}

// Presses on a node and moves past the drag distance with the keys held: the drag begins.
void startDrag(CKivranoView& view, const QPoint& from, Qt::KeyboardModifiers keys = {}) {
    sendMouse(view.viewport(), QEvent::MouseButtonPress, from, Qt::LeftButton, keys);
    sendMouse(view.viewport(), QEvent::MouseMove, from + QPoint(0, 3), Qt::LeftButton, keys);
    sendMouse(view.viewport(), QEvent::MouseMove,
              from + QPoint(QApplication::startDragDistance() + 1, 3), Qt::LeftButton, keys);
}

void moveAndRelease(CKivranoView& view, const QPoint& to) {
    sendMouse(view.viewport(), QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(view.viewport(), QEvent::MouseButtonRelease, to, Qt::NoButton);
}

TEST_F(TreeViewTest, DraggingAnItemMovesItAndHighlightsTheTarget) {
    QTimer* scroll = view->viewTimer(ViewTimer::DragScroll);
    startDrag(*view, centreOf(a1));
    EXPECT_TRUE(view->dragDrop().isDragging());
    EXPECT_TRUE(scroll->isActive());
    // The keys held later do not matter: the mode was chosen as the drag began.
    sendMouse(view->viewport(), QEvent::MouseMove, centreOf(b), Qt::LeftButton,
              Qt::ControlModifier);
    EXPECT_EQ(view->dropTarget(), b);
    // Beside the text the row still counts.
    sendMouse(view->viewport(), QEvent::MouseMove,
              QPoint(view->viewport()->width() - 15, centreOf(b1).y()), Qt::LeftButton);
    EXPECT_EQ(view->dropTarget(), b1);
    moveAndRelease(*view, centreOf(b));

    EXPECT_FALSE(view->dragDrop().isDragging());
    EXPECT_FALSE(scroll->isActive());
    EXPECT_EQ(view->dropTarget(), kNoNode);
    const TreeNode moved = tree().firstChild(b);
    EXPECT_FALSE(tree().contains(a1));
    EXPECT_EQ(tree().text(moved), "a1");
    EXPECT_EQ(tree().selection(), moved);
    EXPECT_EQ(current(), moved);
    EXPECT_EQ(shown.back(), moved);
    EXPECT_TRUE(doc.isModified());

    // Ctrl held as the drag begins copies.
    startDrag(*view, centreOf(b1), Qt::ControlModifier);
    moveAndRelease(*view, centreOf(a));
    EXPECT_EQ(tree().text(tree().firstChild(a)), "b1");
    EXPECT_TRUE(tree().contains(b1));
}

TEST_F(TreeViewTest, AFolderMovedBelowAnotherShowsOpenAsBefore) {
    prompter.yesNoAnswers = {true};
    startDrag(*view, centreOf(a));
    moveAndRelease(*view, centreOf(b1));
    EXPECT_EQ(prompter.questions.back(), text(StringId::MoveFolderQuestion));
    const TreeNode moved = tree().lastFolder();
    EXPECT_EQ(tree().text(moved), "A");
    EXPECT_EQ(current(), moved);
    EXPECT_TRUE(view->isExpanded(model().indexOf(moved)));
    EXPECT_EQ(tree().childCount(moved), 2u);
}

TEST_F(TreeViewTest, FolderDragsAskAndReleaseOutsideOrEscapeChangeNothing) {
    prompter.yesNoAnswers = {true};
    startDrag(*view, centreOf(a), Qt::ShiftModifier);
    moveAndRelease(*view, centreOf(b));
    EXPECT_EQ(prompter.questions.back(), text(StringId::MergeFolderQuestion));
    EXPECT_EQ(tree().folderCount(), 1u);
    EXPECT_EQ(tree().childCount(b), 3u);
    doc.setModified(false);

    // Released outside the tree.
    startDrag(*view, centreOf(b1));
    moveAndRelease(*view, QPoint(view->viewport()->width() + 30, centreOf(b).y()));
    EXPECT_TRUE(tree().contains(b1));
    EXPECT_EQ(tree().selection(), b1);
    // Escape: the key goes to the drag, not to the window's Esc shortcut.
    startDrag(*view, centreOf(b1));
    sendMouse(view->viewport(), QEvent::MouseMove, centreOf(b), Qt::LeftButton);
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &override);
    EXPECT_TRUE(override.isAccepted());
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_FALSE(view->dragDrop().isDragging());
    EXPECT_EQ(view->dropTarget(), kNoNode);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, centreOf(b), Qt::NoButton);
    EXPECT_TRUE(tree().contains(b1));
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(prompter.questions.size(), 1u);
}

TEST_F(TreeViewTest, DragScrollsALineInsideTheEdgeAndFourBeyondIt) {
    for (int i = 0; i < 40; ++i) tree().insertFolder({"F" + std::to_string(i), 0});
    QTimer* scroll = view->viewTimer(ViewTimer::DragScroll);
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 10; }, 5000));
    auto tick = [&] { QMetaObject::invokeMethod(scroll, "timeout"); };

    startDrag(*view, centreOf(a1));
    const int bottom = view->viewport()->height() - 1;
    sendMouse(view->viewport(), QEvent::MouseMove, QPoint(40, bottom - 5), Qt::LeftButton);
    tick();
    EXPECT_EQ(bar->value(), 1);
    tick();
    EXPECT_EQ(bar->value(), 2);
    // Below the tree: four lines a tick, the last visible row highlighted.
    sendMouse(view->viewport(), QEvent::MouseMove, QPoint(40, bottom + 20), Qt::LeftButton);
    tick();
    EXPECT_EQ(bar->value(), 6);
    EXPECT_EQ(view->dropTarget(), model().node(view->indexAt(QPoint(40, bottom))));
    // Above it, back up; well inside, nothing scrolls.
    sendMouse(view->viewport(), QEvent::MouseMove, QPoint(40, -20), Qt::LeftButton);
    tick();
    EXPECT_EQ(bar->value(), 2);
    sendMouse(view->viewport(), QEvent::MouseMove, QPoint(40, bottom / 2), Qt::LeftButton);
    tick();
    EXPECT_EQ(bar->value(), 2);
    EXPECT_EQ(view->dropTarget(), model().node(view->indexAt(QPoint(40, bottom / 2))));
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_EQ(tree().folderCount(), 42u);
}

TEST_F(TreeViewTest, TextFormatListsEveryItemAndStartingAgainDoesNotDouble) {
    tree().item(a1)->id = "user";
    tree().item(b1)->memo = "caf\xE9";  // one field not UTF-8 must not garble the others
    tree().item(a2)->password = "p\xC3\xA4ss";
    CTextFormatDlg dialog(tree(), view.get());
    dialog.nonEmptyLinesButton()->setChecked(true);
    dialog.start();
    const QString expected = QStringLiteral(
        u"a1\nAddress:\thttps://a.example\nID:\tuser\n\n"
        u"a2\nPW:\tpäss\n\n"
        u"b1\nAddress:\thttps://b.example\ncafé\n\n");
    EXPECT_EQ(dialog.textEdit()->toPlainText(), expected);
    dialog.start();
    EXPECT_EQ(dialog.textEdit()->toPlainText(), expected);

    dialog.allLinesButton()->setChecked(true);
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.textEdit()->toPlainText().count('\n'), 3 * 12);
}

TEST(HotKeySettingDialog, ShowsTheKeysAndTakesOneChordPerControl) {
    auto keys = VaultSettings::defaultGlobalHotKeys();
    CHotKeySettingDlg dialog(keys);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Hot Key Setting"));
    EXPECT_EQ(dialog.keyEdit(kHotKeyId)->text(), QStringLiteral("Ctrl+1"));
    EXPECT_EQ(dialog.keyEdit(kHotKeyShowHide)->text(), QStringLiteral("Ctrl+F12"));

    QLineEdit* memo = dialog.keyEdit(kHotKeyMemo);
    QTest::keyClick(memo, Qt::Key_F5, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(memo->text(), QStringLiteral("Ctrl+Alt+F5"));
    QTest::keyClick(memo, Qt::Key_A);  // a letter alone would be taken from every program
    EXPECT_EQ(memo->text(), QStringLiteral("Ctrl+Alt+F5"));

    QLineEdit* password = dialog.keyEdit(kHotKeyPassword);
    QTest::keyClick(password, Qt::Key_Backspace);
    EXPECT_EQ(password->text(), QStringLiteral("None"));

    auto expected = keys;
    expected[kHotKeyMemo] = {0x74, HotKeyValue::kCtrl | HotKeyValue::kAlt};
    expected[kHotKeyPassword] = {};
    EXPECT_EQ(dialog.keys(), expected);
}
