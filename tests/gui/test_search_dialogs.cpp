#include "ui/CFindDlg.h"
#include "ui/CQuickFindDlg.h"

#include "ui/CKivranoView.h"

#include "platform/fake/MemorySettingsStore.h"
#include "platform/fake/RecordingShell.h"
#include "vault/CDic.h"
#include "vault/CKivranoDoc.h"
#include "vault/VaultTree.h"

#include "support/ScriptedPrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kivrano;

namespace {

// Mail: "Mail Box" (password "hunter2"), "Mailer". Bank: "Online Bank".
class SearchDialogsTest : public ::testing::Test {
protected:
    SearchDialogsTest() {
        mail = folder("Mail");
        box = item(mail, "Mail Box", "https://mail.example", "hunter2");
        mailer = item(mail, "Mailer", "mailto:bob@example.com", "");
        bank = folder("Bank");
        online = item(bank, "Online Bank", "https://bank.example", "");
    }
    TreeNode folder(const std::string& name) {
        const TreeNode node = tree.insertFolder({name, 0});
        index.indexText(name, node);
        return node;
    }
    TreeNode item(TreeNode in, const std::string& title, const std::string& address,
                  const std::string& password) {
        auto record = std::make_unique<VaultItem>();
        record->title = title;
        record->address = address;
        record->password = password;
        const TreeNode node = tree.insertItem(in, std::move(record));
        index.indexText(title, node);
        index.indexText(address, node);
        return node;
    }
    static QStringList rowTexts(QTreeWidget* list, int column) {
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            texts << list->topLevelItem(i)->text(column);
        return texts;
    }

    VaultTree tree;
    CDic index;
    platform::MemorySettingsStore settings;
    TreeNode mail{}, box{}, mailer{}, bank{}, online{};
};

TEST_F(SearchDialogsTest, FindStartsFromTheDefaultsAndASingleHitEndsTheDialog) {
    CFindDlg dialog(tree, settings);
    const bool ticked[] = {true, true, false, false, false, false, true};
    for (int f = 0; f < CFindDlg::FieldCount; ++f)
        EXPECT_EQ(dialog.fieldBox(CFindDlg::Field(f))->isChecked(), ticked[f]) << f;
    EXPECT_FALSE(dialog.caseBox()->isChecked());
    EXPECT_TRUE(dialog.startButton()->isDefault());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    QTest::keyClicks(dialog.findEdit(), "HUNTER");
    QTest::mouseClick(dialog.startButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.resultList()->topLevelItemCount(), 0);  // a password is not searched
    EXPECT_TRUE(dialog.isVisible());

    // Alt+4 ticks "Password(&4)" at once: an Enter straight after it searches with it.
    QTest::keyClick(&dialog, Qt::Key_4, Qt::AltModifier);
    EXPECT_TRUE(dialog.fieldBox(CFindDlg::Password)->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenNode(), box);
    EXPECT_EQ(rowTexts(dialog.resultList(), 1), QStringList{"hunter2"});  // shown in clear
}

TEST_F(SearchDialogsTest, FindListsRowsAndEnterOrDoubleClickGoesToOne) {
    for (const bool byEnter : {true, false}) {
        CFindDlg dialog(tree, settings);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        QTest::keyClicks(dialog.findEdit(), "mail");
        QTest::keyClick(dialog.findEdit(), Qt::Key_Return);  // Enter in the edit: Start

        QTreeWidget* list = dialog.resultList();
        EXPECT_EQ(rowTexts(list, 0), (QStringList{"Mail", "Mail Box", "Mailer"}));
        EXPECT_EQ(rowTexts(list, 1),
                  (QStringList{"", "https://mail.example", "mailto:bob@example.com"}));
        EXPECT_EQ(rowTexts(list, 2), (QStringList{"<< FOLDER >>", "Mail", "Mail"}));
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        EXPECT_TRUE(dialog.isVisible());

        if (byEnter) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, 2000));
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
            EXPECT_EQ(dialog.chosenNode(), mailer);
        } else {
            // A widget's double click arrives after the press of its first click.
            const QPoint at = list->visualItemRect(list->topLevelItem(1)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            EXPECT_EQ(dialog.chosenNode(), box);
        }
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
}

TEST_F(SearchDialogsTest, FindColumnWidthsResetWhenOutOfRangeAndAreKeptOnClosing) {
    {
        auto key = settings.open(platform::SettingsStore::Open::CreateIfMissing);
        key->writeInt("SearchWidth1", 3001);
    }
    int listWidth = 0;
    {
        CFindDlg dialog(tree, settings);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        listWidth = dialog.resultList()->viewport()->width();
        QHeaderView* header = dialog.resultList()->header();
        EXPECT_EQ(header->sectionSize(0), static_cast<int>(listWidth * 0.3));
        EXPECT_EQ(header->sectionSize(1), static_cast<int>(listWidth * 0.4));
        header->resizeSection(2, 77);
        QTest::mouseClick(dialog.findChildren<QPushButton*>().at(1), Qt::LeftButton);  // Close
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    auto key = settings.open(platform::SettingsStore::Open::Existing);
    EXPECT_EQ(key->readInt("SearchWidth1"), static_cast<int>(listWidth * 0.3));
    EXPECT_EQ(key->readInt("SearchWidth3"), 77);
}

class QuickFindBarTest : public SearchDialogsTest {
protected:
    QuickFindBarTest() {
        bar = new CQuickFindDlg(
            index, tree,
            [this](TreeNode node) {
                if (!tree.contains(node)) return false;
                selected.push_back(node);
                return true;
            },
            [this](TreeNode node) { wentTo.push_back(node); });
        bar->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(bar.data()));
    }
    ~QuickFindBarTest() override { delete bar.data(); }

    QStringList lines() {
        QStringList texts;
        for (int i = 0; i < bar->resultList()->count(); ++i)
            texts << bar->resultList()->item(i)->text();
        return texts;
    }
    int linesHeight() {
        int sum = 0;
        for (int i = 0; i < bar->resultList()->count(); ++i)
            sum += bar->resultList()->sizeHintForRow(i);
        return sum;
    }

    QPointer<CQuickFindDlg> bar;
    std::vector<TreeNode> selected, wentTo;
};

TEST_F(QuickFindBarTest, ListsOnEveryKeystrokeAndSizesTheListAndTheBar) {
    EXPECT_TRUE(bar->windowFlags().testFlag(Qt::FramelessWindowHint));
    bar->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->queryEdit()->hasFocus(); }, 2000));
    EXPECT_FALSE(bar->resultList()->isVisible());
    const QSize base = bar->size();

    QTest::keyClicks(bar->queryEdit(), "Ma");
    EXPECT_EQ(lines(), (QStringList{"Mail   << FOLDER >>", "Mail Box   [ https://mail.example ]",
                                    "Mailer   [ mailto:bob@example.c ]"}));
    EXPECT_EQ(selected, (std::vector<TreeNode>{mail, box, mailer, mail, box, mailer}));
    EXPECT_TRUE(bar->resultList()->isVisible());
    EXPECT_EQ(bar->resultList()->height(), linesHeight() + CQuickFindDlg::kListPadding);
    EXPECT_EQ(bar->height(), base.height() + linesHeight() + CQuickFindDlg::kBarPadding);
    EXPECT_EQ(bar->width(), base.width());

    QTest::keyClicks(bar->queryEdit(), "x");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_FALSE(bar->resultList()->isVisible());
    EXPECT_EQ(bar->height(), base.height() + CQuickFindDlg::kBarPadding);
    bar->queryEdit()->clear();
    EXPECT_FALSE(bar->resultList()->isVisible());
    EXPECT_TRUE(wentTo.empty());
}

TEST_F(QuickFindBarTest, GoTakesTheChosenLineOrTheFirstAndCloses) {
    QTest::keyClicks(bar->queryEdit(), "bank");
    ASSERT_EQ(lines().size(), 2);
    QTest::keyClick(bar->queryEdit(), Qt::Key_Return);  // nothing chosen: the first line
    EXPECT_EQ(wentTo, std::vector<TreeNode>{bank});
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.isNull(); }, 2000));  // closed and deleted
}

TEST_F(QuickFindBarTest, GoOnAChosenLineAndGoWithNothingListed) {
    QTest::keyClicks(bar->queryEdit(), "mail");
    bar->resultList()->setCurrentRow(2);
    QTest::mouseClick(bar->goButton(), Qt::LeftButton);
    EXPECT_EQ(wentTo, std::vector<TreeNode>{mailer});
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.isNull(); }, 2000));
}

TEST_F(QuickFindBarTest, GoWithNothingTypedOrEscapeOnlyCloses) {
    QTest::mouseClick(bar->goButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.isNull(); }, 2000));
    EXPECT_TRUE(wentTo.empty());

    auto* other =
        new CQuickFindDlg(index, tree, nullptr, [this](TreeNode n) { wentTo.push_back(n); });
    QPointer<CQuickFindDlg> second(other);
    other->show();
    QTest::keyClicks(other->queryEdit(), "mail");
    QTest::keyClick(other->queryEdit(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 2000));
    EXPECT_TRUE(wentTo.empty());
}

TEST_F(QuickFindBarTest, APressOnTheBodyMovesTheBar) {
    const QPoint start = bar->pos();
    const QPoint body(2, 2);  // the margin beside the controls
    ASSERT_EQ(bar->childAt(body), nullptr);
    QTest::mousePress(bar.data(), Qt::LeftButton, {}, body);
    const QPoint to = bar->mapToGlobal(body) + QPoint(40, 25);
    QMouseEvent move(QEvent::MouseMove, bar->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar.data(), &move);
    QTest::mouseRelease(bar.data(), Qt::LeftButton, {}, bar->mapFromGlobal(to));
    EXPECT_EQ(bar->pos(), start + QPoint(40, 25));
}

// The Quick Find command opens a new bar over the tree each time, focused on its text; the
// screen lock closes them all.
TEST(QuickFindBars, EachCommandOpensOneAndTheyCloseTogether) {
    kivrano::testing::ScriptedPrompter prompter;
    platform::RecordingShell shell;
    CKivranoDoc doc(prompter);
    QWidget fieldList;
    CKivranoView view(doc, prompter, shell, nullptr, &fieldList, {});
    QtQuickFindBar bars(doc.index(), view.commands(), doc.tree(), &view);
    view.commands().dialogs().quickFind = &bars;
    view.show();

    view.commands().quickFind();
    view.commands().quickFind();
    const auto open = view.findChildren<CQuickFindDlg*>();
    ASSERT_EQ(open.size(), 2);
    EXPECT_TRUE(open[0]->isVisible() && open[1]->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return open[1]->queryEdit()->hasFocus(); }, 2000));

    const QPointer<CQuickFindDlg> first(open[0]), second(open[1]);
    bars.closeAll();
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull() && second.isNull(); }, 2000));
}

}  // namespace
