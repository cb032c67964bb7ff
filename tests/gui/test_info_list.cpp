#include "ui/CInfoList.h"

#include "platform/fake/MemoryClipboard.h"
#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "support/SampleVault.h"
#include "support/ScriptedPrompter.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>

using namespace kivrano;
using kivrano::testing::makeSampleVault;
using kivrano::testing::SampleVault;
using kivrano::testing::ScriptedPrompter;

namespace {

struct InfoListWidget : ::testing::Test {
    SampleVault vault = makeSampleVault();
    platform::MemorySettingsStore settings;
    platform::RecordingShell shell;
    platform::MemoryClipboard clipboard;
    ScriptedPrompter prompter;
    std::unique_ptr<CInfoList> list;

    // What the action menu showed, and which entry the "user" picks.
    int menusShown = 0;
    std::vector<std::pair<QString, bool>> menuEntries;  // text, enabled; separators as ""
    std::optional<FieldAction> pick;

    void makeList() {
        list = std::make_unique<CInfoList>(settings, shell, clipboard, prompter);
        list->resize(500, 300);
        list->setMenuRunner([this](QMenu& menu, const QPoint&) -> QAction* {
            ++menusShown;
            menuEntries.clear();
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                menuEntries.emplace_back(action->isSeparator() ? QString() : action->text(),
                                         action->isEnabled());
                if (!action->isSeparator() && pick &&
                    action->data().toInt() == static_cast<int>(*pick))
                    chosen = action;
            }
            return chosen;
        });
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }

    void SetUp() override { makeList(); }

    void showFull() { list->showNode(vault.tree, vault.full, vault.settings); }
    VaultItem& full() { return *vault.tree.item(vault.full); }
    QPoint rowCenter(int row) const {
        return list->visualItemRect(list->topLevelItem(row)).center();
    }
    QPoint belowRows() const {
        const QRect last = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
        return {last.center().x(), last.bottom() + 20};
    }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list->viewport(), button, Qt::NoModifier, at);
    }
    void chooseOnRow(FieldAction action, QPoint at) {
        pick = action;
        click(at);
    }
    QString cell(int row, int column) const { return list->topLevelItem(row)->text(column); }
};

}  // namespace

TEST_F(InfoListWidget, ShowsTheItemsRowsAndNothingForAFolder) {
    QSignalSpy focusTree(list.get(), &CInfoList::treeFocusRequested);
    full().etcText[0] = "caf\xC3\xA9";  // UTF-8 shows as UTF-8
    showFull();
    ASSERT_EQ(list->topLevelItemCount(), 10);
    EXPECT_EQ(list->headerItem()->text(0), "Name");
    EXPECT_EQ(list->headerItem()->text(1), "Content");
    EXPECT_EQ(list->headerItem()->text(2), "Hotkey");
    EXPECT_EQ(cell(0, 1), "https://mail.example.com/login?x=1");
    EXPECT_EQ(cell(0, 2), "Ctrl+Shift+M");
    EXPECT_EQ(cell(2, 0), "Password");
    EXPECT_EQ(cell(2, 1), QString(15, QLatin1Char('*')));  // "s3cr3t-pässword"
    EXPECT_EQ(cell(2, 2), "Ctrl+2");
    EXPECT_EQ(cell(3, 1), QStringLiteral("caf\u00E9"));
    EXPECT_EQ(cell(9, 0), "Memo");
    EXPECT_EQ(focusTree.count(), 1);
    EXPECT_EQ(list->shownItem(), vault.full);

    list->showNode(vault.tree, vault.mail, vault.settings);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(list->shownItem(), kNoNode);
    EXPECT_EQ(focusTree.count(), 2);
}

TEST_F(InfoListWidget, ColumnWidthsComeFromTheSettingsAndAreStoredOnDestruction) {
    struct Case {
        std::int32_t w1, w2, w3;
        std::array<int, 3> expected;
    };
    for (const Case& c : {Case{100, 150, 90, {100, 150, 90}}, Case{100, 3001, 90, {60, 128, 65}},
                          Case{-1, 150, 90, {60, 128, 65}}}) {
        auto key = settings.open(platform::SettingsStore::Open::CreateIfMissing);
        key->writeInt("ColumnWidth1", c.w1);
        key->writeInt("ColumnWidth2", c.w2);
        key->writeInt("ColumnWidth3", c.w3);
        makeList();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(list->header()->sectionSize(i), c.expected[static_cast<std::size_t>(i)])
                << c.w1 << " " << c.w2 << " " << c.w3 << " column " << i;
    }

    list->header()->resizeSection(1, 222);
    list.reset();
    auto key = settings.open(platform::SettingsStore::Open::Existing);
    EXPECT_EQ(key->readInt("ColumnWidth1"), 60);
    EXPECT_EQ(key->readInt("ColumnWidth2"), 222);
    EXPECT_EQ(key->readInt("ColumnWidth3"), 65);
}

TEST_F(InfoListWidget, LeftClickOffersTheActionMenuAndCopiesTheUnmaskedText) {
    QSignalSpy used(list.get(), &CInfoList::itemUsed);
    QSignalSpy focusTree(list.get(), &CInfoList::treeFocusRequested);
    full().password = "abc";
    showFull();
    ASSERT_EQ(cell(2, 1), "***");

    chooseOnRow(FieldAction::Copy, rowCenter(2));
    EXPECT_EQ(clipboard.content(), "abc");
    ASSERT_EQ(used.count(), 1);
    EXPECT_EQ(used.at(0).at(0).value<TreeNode>(), vault.full);
    EXPECT_EQ(focusTree.count(), 2);  // once by the show, once after the menu

    // The menu as the user sees it: Send is there but greyed, Call and Hangup too while no
    // dialer listens, examples follow a tab.
    ASSERT_EQ(menuEntries.size(), 11u);
    EXPECT_EQ(menuEntries[0].first, "&Copy to clipboard");
    EXPECT_TRUE(menuEntries[1].first.isEmpty());
    EXPECT_TRUE(menuEntries[4].first.startsWith("&Web - connect to this address\t"));
    EXPECT_EQ(menuEntries[10],
              std::make_pair(QString("&Send over phone line (under development)"), false));
    for (std::size_t i = 0; i < 8; ++i) EXPECT_TRUE(menuEntries[i].second) << i;
    EXPECT_TRUE(menuEntries[8].first.startsWith("C&all") && !menuEntries[8].second);
    EXPECT_TRUE(menuEntries[9].first.startsWith("&Hangup") && !menuEntries[9].second);

    // Below the last row the menu still opens, and Copy puts an empty text there.
    chooseOnRow(FieldAction::Copy, belowRows());
    EXPECT_EQ(menusShown, 2);
    EXPECT_EQ(clipboard.content(), "");
}

TEST_F(InfoListWidget, NoMenuWithoutAnItem) {
    QSignalSpy used(list.get(), &CInfoList::itemUsed);
    QSignalSpy viewModify(list.get(), &CInfoList::viewModifyRequested);
    list->showNode(vault.tree, vault.mail, vault.settings);
    chooseOnRow(FieldAction::Copy, QPoint(20, 20));
    click(QPoint(20, 20), Qt::RightButton);

    showFull();
    vault.tree.remove(vault.full);  // deleted before the next refresh
    chooseOnRow(FieldAction::Copy, rowCenter(2));

    EXPECT_EQ(menusShown, 0);
    EXPECT_EQ(used.count(), 0);
    EXPECT_EQ(viewModify.count(), 0);
    EXPECT_EQ(clipboard.content(), std::nullopt);
}

TEST_F(InfoListWidget, WebEmailAndRunOpenTheClickedField) {
    shell.setBuiltInBrowser("/opt/web");
    shell.setResult("Text number 1", platform::Shell::kFileNotFound);
    showFull();
    chooseOnRow(FieldAction::Web, rowCenter(0));
    chooseOnRow(FieldAction::Email, rowCenter(1));
    chooseOnRow(FieldAction::Run, rowCenter(3));
    const std::vector<platform::RecordingShell::Call> expected{
        {"/opt/web", "https://mail.example.com/login?x=1"},
        {"mailto:alice@example.com", ""},
        {"Text number 1", ""},
    };
    EXPECT_EQ(shell.calls(), expected);
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Error occurred while trying to run a program in this "
                                       "path: Text number 1."});
}

TEST_F(InfoListWidget, ViewModifyHandsTheClickedRowToTheTree) {
    QSignalSpy viewModify(list.get(), &CInfoList::viewModifyRequested);
    QSignalSpy used(list.get(), &CInfoList::itemUsed);
    showFull();

    chooseOnRow(FieldAction::ViewModify, rowCenter(4));
    click(rowCenter(9), Qt::RightButton);
    click(belowRows(), Qt::RightButton);

    ASSERT_EQ(viewModify.count(), 3);
    const int rows[] = {4, 9, -1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(viewModify.at(i).at(0).value<TreeNode>(), vault.full);
        EXPECT_EQ(viewModify.at(i).at(1).toInt(), rows[i]);
    }
    EXPECT_EQ(used.count(), 3);
    EXPECT_EQ(menusShown, 1);  // the right button opens the editor, not the menu
}

TEST_F(InfoListWidget, PhoneEntriesOnlySignalAndSendIsNeverCarriedOut) {
    QSignalSpy call(list.get(), &CInfoList::callRequested);
    QSignalSpy hangup(list.get(), &CInfoList::hangupRequested);
    full().etcText[2] = "555-0199";
    showFull();
    chooseOnRow(FieldAction::Call, rowCenter(5));
    chooseOnRow(FieldAction::Hangup, rowCenter(5));
    chooseOnRow(FieldAction::Send, rowCenter(5));  // greyed: picking it does nothing

    ASSERT_EQ(call.count(), 1);
    EXPECT_EQ(call.at(0).at(0).value<std::string>(), "555-0199");
    EXPECT_EQ(hangup.count(), 1);
    EXPECT_TRUE(shell.calls().empty());
    EXPECT_EQ(clipboard.content(), std::nullopt);
}

TEST_F(InfoListWidget, DraggingARowCarriesItsUnmaskedTextOnceThePointerLeavesTheSquare) {
    QStringList dragged;
    list->setDragRunner([&](QMimeData* data) {
        dragged << data->text();
        delete data;
    });
    auto moveTo = [&](QPoint at) {
        QMouseEvent move(QEvent::MouseMove, at, list->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
    };
    showFull();
    const QPoint start = rowCenter(2);

    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    moveTo(start + QPoint(5, -5));  // still inside the 10 x 10 square
    EXPECT_TRUE(dragged.isEmpty());
    moveTo(start + QPoint(6, 0));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, start + QPoint(6, 0));
    EXPECT_EQ(dragged, QStringList{QStringLiteral("s3cr3t-p\u00E4ssword")});
    EXPECT_EQ(menusShown, 0);  // a drag is not a click

    // From below the rows there is nothing to drag, and no click either.
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, belowRows());
    moveTo(belowRows() + QPoint(0, 8));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, belowRows());
    EXPECT_EQ(dragged.size(), 1);
    EXPECT_EQ(menusShown, 0);

    // A release inside the square is an ordinary click.
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    moveTo(start + QPoint(3, 3));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, start + QPoint(3, 3));
    EXPECT_EQ(dragged.size(), 1);
    EXPECT_EQ(menusShown, 1);
}

TEST_F(InfoListWidget, MemoTooltipOverTheMemoRowOnly) {
    auto hover = [&](QPoint at) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    full().memo = "first <b>line</b>\r\nsecond line";
    ASSERT_EQ(full().hideMemo, 1);  // masked in the list, shown in full in the tooltip
    showFull();

    EXPECT_EQ(hover(rowCenter(2)), QString());
    const QString tip = hover(rowCenter(9));
    EXPECT_TRUE(tip.contains("first &lt;b&gt;line&lt;/b&gt;")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("second line")) << tip.toStdString();
    EXPECT_EQ(hover(belowRows()), QString());

    full().memo.clear();
    showFull();
    EXPECT_EQ(hover(rowCenter(9)), QString());
}

TEST_F(InfoListWidget, LongMemoTooltipIsWrappedAt600Pixels) {
    const QFont normal = QToolTip::font();
    QFont large = normal;
    large.setPixelSize(20);  // large enough that the usual tooltip wrapping goes past 600
    QToolTip::setFont(large);
    auto tipWidth = [&](const std::string& memo) {
        full().memo = memo;
        showFull();
        const QPoint at = rowCenter(9);
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        int width = -1;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "qtooltip_label" && window->isVisible())
                width = window->width();
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
        return width;
    };
    std::string longMemo;
    for (int i = 0; i < 200; ++i) longMemo += "word" + std::to_string(i) + " ";
    const int wide = tipWidth(longMemo);
    const int narrow = tipWidth("short memo");
    QToolTip::setFont(normal);
    EXPECT_GT(wide, 560);
    EXPECT_LE(wide, 620);  // 600 for the text and the tooltip's own margins
    EXPECT_GT(narrow, 0);
    EXPECT_LT(narrow, 300);  // a short memo is not widened
}

TEST_F(InfoListWidget, TabHandsTheFocusToTheTree) {
    QSignalSpy focusTree(list.get(), &CInfoList::treeFocusRequested);
    showFull();
    list->setFocus();
    QTest::keyClick(list.get(), Qt::Key_Tab);
    EXPECT_EQ(focusTree.count(), 2);
}
