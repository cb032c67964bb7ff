#include "ui/CMainFrame.h"
#include "ui/CommandKeys.h"

#include "app/CommandIds.h"
#include "app/CommandRouter.h"
#include "app/CommandTable.h"
#include "platform/fake/MemorySettingsStore.h"
#include "vault/CKivranoDoc.h"

#include "support/ScriptedPrompter.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace kivrano;

namespace {

TEST(CommandKeys, EveryKeyTextOfTheTableBindsAKey) {
    for (const CommandInfo& info : commandTable()) {
        const QList<QKeySequence> keys = commandKeySequences(info.command);
        EXPECT_EQ(keys.size() == 0, info.keys.empty()) << info.label;
        for (const QKeySequence& key : keys) {
            EXPECT_EQ(key.count(), 1) << info.label;
            EXPECT_NE(key[0].key(), Qt::Key_unknown) << info.label;
        }
    }
    EXPECT_EQ(commandKeySequences(cmd::ItemViewModify),
              (QList<QKeySequence>{QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)}));
    EXPECT_EQ(commandKeySequences(cmd::FolderAddNew),
              QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    EXPECT_EQ(commandKeySequences(cmd::ShowHistory),
              (QList<QKeySequence>{QKeySequence(Qt::Key_F2),
                                   QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Down)}));
}

// A main window over an empty vault, with its own router.
class MainFrameCommands : public ::testing::Test {
protected:
    kivrano::testing::ScriptedPrompter prompter;
    CKivranoDoc doc{prompter};
    platform::MemorySettingsStore settings;
    CommandRouter router;
    CMainFrame frame{doc, settings, router};
};

TEST_F(MainFrameCommands, MenusShowTheTableAndGreyWhatNothingCarriesOut) {
    int saves = 0;
    router.add(cmd::Save, [&] { ++saves; });
    frame.addCommands(router);
    frame.greyUnhandledCommands();

    int entries = 0;
    for (QAction* menu : frame.menuBar()->actions()) {
        for (QAction* entry : menu->menu()->actions()) {
            if (entry->isSeparator() || entry->menu()) continue;
            ++entries;
            const int command = entry->data().toInt();
            EXPECT_EQ(entry->text(), QString::fromStdString(menuText(command)));
            EXPECT_EQ(entry->isEnabled(), router.handles(command) && command != cmd::ShowHistory &&
                                              command != cmd::Previous && command != cmd::Next)
                << entry->text().toStdString();
        }
    }
    EXPECT_GT(entries, 30);

    frame.runCommand(cmd::Save);
    EXPECT_EQ(saves, 1);
    // A greyed entry stays greyed and its command does not arrive.
    frame.setCommandEnabled(cmd::Find, true);
    EXPECT_FALSE(frame.action(cmd::Find)->isEnabled());
    frame.runCommand(cmd::Find);
    frame.setCommandEnabled(cmd::Save, false);
    EXPECT_FALSE(frame.action(cmd::Save)->isEnabled());
    frame.runCommand(cmd::Save);
    EXPECT_EQ(saves, 1);
}

TEST_F(MainFrameCommands, TheHistoryListOpensUnderItsToolbarButtonWhereverThePointerIs) {
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    QCursor::setPos(frame.mapToGlobal(QPoint(5, frame.height() - 5)));

    const QWidget* button = nullptr;
    for (QAction* a : frame.findChild<QToolBar*>()->actions())
        if (a->data().toInt() == cmd::ShowHistory)
            button = frame.findChild<QToolBar*>()->widgetForAction(a);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return button->isVisible(); }, 5000));
    const QPoint at = frame.historyMenuPosition();
    const QRect onScreen(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_EQ(at.x(), onScreen.left());
    EXPECT_EQ(at.y(), onScreen.bottom() + 1);
}

}  // namespace
