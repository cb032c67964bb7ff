#include "ui/CApplicationDlg.h"
#include "ui/CBasicPage.h"
#include "ui/CContentPage.h"
#include "ui/CProperty.h"
#include "ui/HotKeyEdit.h"

#include "platform/fake/FakeWindowSystem.h"
#include "support/ScriptedPrompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>

using namespace kivrano;
using platform::FakeWindowSystem;

namespace {

const std::string kOutOfRange = "Please enter an integer between -128 and 127.";

struct ItemEditorSheet : ::testing::Test {
    kivrano::testing::ScriptedPrompter prompter;
    CKivranoDoc doc{prompter};
    FakeWindowSystem windows;
    std::int32_t applicationSelection = -1;
    VaultItem item;

    void SetUp() override {
        item.state = 1;
        item.title = "Bank";
        item.address = "https://bank.example/";
        item.id = "alice";
        item.password = "s3cret";
        item.launchKey = {0x74, HotKeyValue::kCtrl};
        item.tabCount[0] = 1;
        item.enterCount[1] = 1;
        item.etcText[0] = "1234";
        item.memo = "first\r\nsecond";
        doc.settings().applicationTable = {"/usr/bin/firefox", "/usr/bin/putty"};
    }

    std::unique_ptr<CProperty> open(ItemEditorRequest request = {}) {
        auto sheet = std::make_unique<CProperty>(item, request, doc, applicationSelection, &windows,
                                                 prompter);
        sheet->show();
        return sheet;
    }
};

}  // namespace

TEST_F(ItemEditorSheet, AddingFillsTheNewItemFromTheOpenPage) {
    windows.addWindow(
        20, {"Log in \xE2\x80\x94 Mozilla Firefox", "Navigator", "https://bank.example/login", 0});
    windows.addWindow(FakeWindowSystem::kMainWindow, {"Kivrano", "KivranoClass", "", 0});
    item = VaultItem{};
    auto sheet = open({ItemEditorMode::Add, -1, "Web browser (Firefox)"});
    EXPECT_EQ(sheet->windowTitle(), "Add a New Item");
    EXPECT_EQ(sheet->tabs()->tabText(0), "Basic Information");
    EXPECT_EQ(sheet->tabs()->tabText(1), "Etc Information");
    CBasicPage* page = sheet->basicPage();
    EXPECT_EQ(page->titleEdit()->text(), "Log in");
    EXPECT_EQ(page->addressEdit()->text(), "https://bank.example/login");
    // A new item shows its password masked with "*", its ID in clear.
    EXPECT_EQ(page->passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(page->passwordEdit()->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter,
                                                       nullptr, page->passwordEdit()),
              '*');
    EXPECT_EQ(page->idEdit()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(page->applicationLabel()->text(), "Web browser (Firefox)");
    EXPECT_EQ(page->launchKeyEdit()->text(), "None");

    QTest::keyClicks(page->idEdit(), "bob");
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(item.id, "bob");
    EXPECT_EQ(item.title, "Log in");
    EXPECT_EQ(item.state, 1);
    EXPECT_TRUE(doc.isModified());
}

TEST_F(ItemEditorSheet, ABadCountKeepsTheEditorOpenWithTheBoxFocused) {
    auto sheet = open();
    QLineEdit* tab = sheet->basicPage()->countBox(1, false);
    tab->setText("128");
    sheet->basicPage()->passwordEdit()->setText("changed");
    sheet->accept();
    EXPECT_EQ(prompter.messages, std::vector<std::string>{kOutOfRange});
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_NE(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(sheet->focusWidget(), tab);
    EXPECT_EQ(item.password, "s3cret");

    // Switching pages is refused the same way, by a click on the tab as well.
    tab->setText("1");
    sheet->basicPage()->countBox(0, true)->setText("x");
    sheet->tabs()->setCurrentIndex(1);
    EXPECT_EQ(prompter.messages.back(), "Please enter an integer.");
    EXPECT_EQ(sheet->tabs()->currentIndex(), 0);
    EXPECT_EQ(sheet->currentPage(), 0);
    EXPECT_EQ(item.lastPage, 0);

    sheet->basicPage()->countBox(0, true)->setText("-3");
    EXPECT_TRUE(sheet->showPage(1));
    EXPECT_EQ(sheet->tabs()->currentIndex(), 1);
    sheet->etcPage()->countBox(5, true)->setText("-129");
    sheet->accept();
    EXPECT_EQ(prompter.messages.back(), kOutOfRange);
    EXPECT_EQ(sheet->focusWidget(), sheet->etcPage()->countBox(5, true));

    sheet->etcPage()->countBox(5, true)->setText("2");
    sheet->accept();
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(item.tabCount[1], 1);
    EXPECT_EQ(item.enterCount[0], -3);
    EXPECT_EQ(item.enterCount[7], 2);
    EXPECT_EQ(item.password, "changed");
}

TEST_F(ItemEditorSheet, StartPageAndCancelKeepTheLastPage) {
    struct Case {
        int row;
        std::int32_t lastPage;
        int page;
    };
    for (const Case c : {Case{9, 0, 1}, Case{2, 1, 0}, Case{-1, 1, 1}}) {
        item.lastPage = c.lastPage;
        auto sheet = open({ItemEditorMode::Modify, c.row});
        EXPECT_EQ(sheet->windowTitle(), "View/Modify an Item");
        EXPECT_EQ(sheet->tabs()->currentIndex(), c.page) << "row " << c.row;
    }

    item.lastPage = 0;
    auto sheet = open();
    sheet->tabs()->setCurrentIndex(1);
    sheet->reject();
    EXPECT_EQ(item.lastPage, 1);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(item.etcText[0], "1234");
}

TEST_F(ItemEditorSheet, HideBoxesFlipTheMaskingAndAreStoredOnOk) {
    auto sheet = open();
    CBasicPage* page = sheet->basicPage();
    QTest::mouseClick(page->hideIdBox(), Qt::LeftButton);
    EXPECT_EQ(page->idEdit()->echoMode(), QLineEdit::Password);
    QTest::mouseClick(page->hideIdBox(), Qt::LeftButton);
    EXPECT_EQ(page->idEdit()->echoMode(), QLineEdit::Normal);
    QTest::mouseClick(page->hidePasswordBox(), Qt::LeftButton);
    EXPECT_EQ(page->passwordEdit()->echoMode(), QLineEdit::Normal);

    ASSERT_TRUE(sheet->showPage(1));
    CContentPage* etc = sheet->etcPage();
    QTest::mouseClick(etc->hideBox(0), Qt::LeftButton);
    EXPECT_EQ(etc->textEdit(0)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(etc->nameEdit(0)->echoMode(), QLineEdit::Normal) << "Hide masks the text only";
    QTest::mouseClick(etc->hideMemoBox(), Qt::LeftButton);
    EXPECT_TRUE(etc->memoMasked());
    EXPECT_EQ(etc->memoShownText(), "*****\n******");

    sheet->accept();
    EXPECT_EQ(item.hideId, 0);
    EXPECT_EQ(item.hidePassword, 0);
    EXPECT_EQ(item.hideEtc[0], 1);
    EXPECT_EQ(item.hideMemo, 1);
    EXPECT_EQ(item.memo, "first\r\nsecond") << "masking does not touch the memo";
}

TEST_F(ItemEditorSheet, ClearAllKeepsCountsHideFlagsApplicationAndLaunchingKey) {
    item.appChoice = 2;
    item.appIndex = 1;
    auto sheet = open();
    CBasicPage* page = sheet->basicPage();
    page->countBox(0, true)->setText("4");
    QTest::mouseClick(page->clearAllButton(), Qt::LeftButton);
    for (QLineEdit* edit :
         {page->titleEdit(), page->addressEdit(), page->idEdit(), page->passwordEdit()})
        EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(page->countBox(0, true)->text(), "4");
    EXPECT_EQ(page->launchKeyEdit()->value(), item.launchKey);
    EXPECT_EQ(page->passwordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(page->applicationLabel()->text(), "/usr/bin/putty");

    sheet->accept();
    EXPECT_EQ(item.title + item.address + item.id + item.password, "");
    EXPECT_EQ(item.tabCount[0], 1);
    EXPECT_EQ(item.enterCount[0], 4);
    EXPECT_EQ(item.launchKey, (HotKeyValue{0x74, HotKeyValue::kCtrl}));
    EXPECT_EQ(item.appIndex, 1);
}

TEST_F(ItemEditorSheet, TextsTheUserLeavesAloneKeepTheirBytes) {
    item.title = "Caf\xE9";  // Windows-1252, not UTF-8
    item.etcName[2] = "N\xFCmmer";
    auto sheet = open();
    EXPECT_EQ(sheet->basicPage()->titleEdit()->text(), QString::fromUtf8("Café"));
    ASSERT_TRUE(sheet->showPage(1));
    EXPECT_EQ(sheet->etcPage()->memoEdit()->toPlainText(), "first\nsecond");
    sheet->accept();
    EXPECT_EQ(item.title, "Caf\xE9");
    EXPECT_EQ(item.etcName[2], "N\xFCmmer");
    EXPECT_EQ(item.memo, "first\r\nsecond");
    EXPECT_FALSE(doc.isModified());

    auto edited = open({ItemEditorMode::Modify, 0});  // from the Address row
    edited->basicPage()->titleEdit()->setText(QString::fromUtf8("Café!"));
    ASSERT_TRUE(edited->showPage(1));
    edited->etcPage()->memoEdit()->setPlainText("first\nsecond\nthird");
    edited->accept();
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(item.title, "Caf\xC3\xA9!");
    EXPECT_EQ(item.memo, "first\r\nsecond\r\nthird") << "the memo keeps its kind of line break";
    EXPECT_TRUE(doc.isModified());
}

TEST_F(ItemEditorSheet, TheApplicationButtonTakesTheDialogsChoice) {
    auto sheet = open();
    std::vector<std::pair<std::int32_t, std::int32_t>> asked;
    std::deque<std::optional<ApplicationChoice::Result>> answers = {
        std::nullopt, ApplicationChoice::Result{2, 1}};
    sheet->setApplicationRunner([&](QWidget*, std::int32_t choice, std::int32_t index) {
        asked.emplace_back(choice, index);
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    });
    CBasicPage* page = sheet->basicPage();
    page->passwordEdit()->setText("typed before");
    QTest::mouseClick(page->applicationButton(), Qt::LeftButton);  // cancelled
    EXPECT_EQ(page->applicationLabel()->text(), "Web browser");
    QTest::mouseClick(page->applicationButton(), Qt::LeftButton);
    EXPECT_EQ(page->applicationLabel()->text(), "/usr/bin/putty");
    EXPECT_EQ(page->passwordEdit()->text(), "typed before");
    EXPECT_EQ(asked, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, -1}, {0, -1}}));

    sheet->accept();
    EXPECT_EQ(item.appChoice, 2);
    EXPECT_EQ(item.appIndex, 1);
}

TEST(HotKeyEdit, TakesOneChordAsVirtualKeyAndModifierBits) {
    HotKeyEdit edit;
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        HotKeyValue expected;
        const char* text;
    };
    const Case cases[] = {
        {Qt::Key_F5, Qt::ControlModifier, {0x74, 2}, "Ctrl+F5"},
        {Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, {0x31, 3}, "Ctrl+Shift+1"},
        {Qt::Key_K, Qt::AltModifier, {0x4B, 4}, "Alt+K"},
        {Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier, {0x65, 2}, "Ctrl+Num 5"},
        {Qt::Key_A, Qt::NoModifier, {0x65, 2}, "Ctrl+Num 5"},     // would swallow every "a"
        {Qt::Key_A, Qt::ShiftModifier, {0x65, 2}, "Ctrl+Num 5"},  // likewise "A"
        {Qt::Key_F9, Qt::NoModifier, {0x78, 0}, "F9"},
        {Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier, {0x20, 6}, "Ctrl+Alt+Space"},
        {Qt::Key_Backspace, Qt::NoModifier, {0, 0}, "None"},
        {Qt::Key_Delete, Qt::ControlModifier, {0x2E, 2}, "Ctrl+Del"},
        {Qt::Key_Return, Qt::NoModifier, {0x2E, 2}, "Ctrl+Del"},  // left to the OK button
    };
    for (const Case& c : cases) {
        QTest::keyClick(&edit, c.key, c.modifiers);
        EXPECT_EQ(edit.value(), c.expected) << c.text;
        EXPECT_EQ(edit.text(), c.text);
    }
}

TEST(HotKeyEdit, ShowsAStoredCodeItCannotNameAndKeepsUnknownBits) {
    HotKeyEdit edit;
    edit.setValue({0xE7, 0x0A});  // a code and an extended-key bit from another machine
    EXPECT_EQ(edit.text(), "Ctrl+0xE7");
    EXPECT_EQ(edit.value(), (HotKeyValue{0xE7, 0x0A}));
    edit.setValue({0xBD, HotKeyValue::kAlt});
    EXPECT_EQ(edit.text(), "Alt+-");
}

namespace {

struct ApplicationDialogWindow : ::testing::Test {
    kivrano::testing::ScriptedPrompter prompter;
    VaultSettings settings;
    std::int32_t selection = -1;
    std::deque<std::optional<std::string>> chosen;

    void SetUp() override { settings.applicationTable = {"/usr/bin/firefox", "/usr/bin/putty"}; }

    std::unique_ptr<CApplicationDlg> open(std::int32_t choice, std::int32_t index) {
        auto dialog = std::make_unique<CApplicationDlg>(
            settings, selection, prompter, choice, index,
            [this](const std::string&) -> std::optional<std::string> {
                auto answer = chosen.front();
                chosen.pop_front();
                return answer;
            });
        dialog->show();
        return dialog;
    }
};

}  // namespace

TEST_F(ApplicationDialogWindow, RadioButtonsEnableThePathControls) {
    auto dialog = open(0, 1);
    EXPECT_EQ(dialog->windowTitle(), "Application");
    EXPECT_EQ(dialog->choiceButton(0)->text(), "&Web browser (connect with a new window)");
    EXPECT_TRUE(dialog->choiceButton(0)->isChecked());
    EXPECT_FALSE(dialog->pathBox()->isEnabled());
    EXPECT_FALSE(dialog->browseButton()->isEnabled());
    EXPECT_FALSE(dialog->changeForAllButton()->isEnabled());

    dialog->choiceButton(2)->click();
    EXPECT_TRUE(dialog->pathBox()->isEnabled());
    EXPECT_TRUE(dialog->changeForAllButton()->isEnabled());
    EXPECT_EQ(dialog->pathBox()->count(), 2);
    EXPECT_EQ(dialog->pathBox()->currentText(), "/usr/bin/putty");

    dialog->choiceButton(1)->click();
    EXPECT_EQ(dialog->pathBox()->currentText(), "");
    dialog->accept();
    EXPECT_EQ(dialog->choiceResult().appChoice, 1);
    EXPECT_EQ(dialog->choiceResult().appIndex, 1);
}

TEST_F(ApplicationDialogWindow, ATypedPathJoinsTheTableOnOk) {
    auto dialog = open(2, 0);
    dialog->pathBox()->lineEdit()->selectAll();
    QTest::keyClicks(dialog->pathBox()->lineEdit(), "/usr/bin/kitty");
    // Enter is OK, and the box itself adds no line for it.
    QTest::keyClick(dialog->pathBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->pathBox()->count(), 2);
    EXPECT_EQ(dialog->choiceResult().appChoice, 2);
    EXPECT_EQ(dialog->choiceResult().appIndex, 2);
    EXPECT_EQ(settings.applicationTable,
              (std::vector<std::string>{"/usr/bin/firefox", "/usr/bin/putty", "/usr/bin/kitty"}));
    EXPECT_EQ(selection, 2);
}

TEST_F(ApplicationDialogWindow, BrowseAndChangeForAllItems) {
    chosen = {std::string("/usr/bin/gimp"), std::string("/usr/bin/icedove")};
    prompter.yesNoAnswers = {true};
    auto dialog = open(2, 0);
    QTest::mouseClick(dialog->browseButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->pathBox()->count(), 3);
    EXPECT_EQ(dialog->pathBox()->currentIndex(), 2);
    EXPECT_EQ(settings.applicationTable.size(), 2u);

    dialog->pathBox()->setCurrentIndex(1);
    QTest::mouseClick(dialog->changeForAllButton(), Qt::LeftButton);
    EXPECT_EQ(settings.applicationTable[1], "/usr/bin/icedove") << "at once, before OK";
    EXPECT_EQ(dialog->pathBox()->itemText(1), "/usr/bin/icedove");
    EXPECT_EQ(dialog->pathBox()->currentText(), "/usr/bin/icedove");

    dialog->reject();
    EXPECT_EQ(settings.applicationTable,
              (std::vector<std::string>{"/usr/bin/firefox", "/usr/bin/icedove"}));
}
