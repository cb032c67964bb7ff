#include "ui/CApplicationDlg.h"

#include "platform/qt/VaultText.h"
#include "ui/CProperty.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace kivrano {

namespace {

const QString kAllFiles = QStringLiteral("All Files (*)");

}  // namespace

CApplicationDlg::CApplicationDlg(VaultSettings& settings, std::int32_t& tableSelection,
                                 Prompter& prompter, std::int32_t appChoice, std::int32_t appIndex,
                                 ApplicationChoice::ProgramChooser chooser, QWidget* parent,
                                 const std::string& browserLabel)
    : QDialog(parent),
      m_choice(settings, tableSelection, prompter,
               chooser ? std::move(chooser)
                       : ApplicationChoice::ProgramChooser(
                             [this](const std::string& initial) { return chooseProgram(initial); }),
               appChoice, appIndex),
      m_result{appChoice, appIndex} {
    setWindowTitle(QStringLiteral("Application"));

    m_radios[0] = new QRadioButton(QStringLiteral("&") + QString::fromStdString(browserLabel) +
                                   QStringLiteral(" (connect with a new window)"));
    m_radios[1] = new QRadioButton(QStringLiteral("&Email or Default Browser"));
    m_radios[2] = new QRadioButton(QStringLiteral("&Specify Other Application"));
    m_group = new QButtonGroup(this);
    for (int value = 0; value < 3; ++value)
        m_group->addButton(m_radios[static_cast<std::size_t>(value)], value);

    // Editable and unsorted; a typed path is not added as a line until OK decides about it.
    m_paths = new QComboBox;
    m_paths->setEditable(true);
    m_paths->setInsertPolicy(QComboBox::NoInsert);
    m_paths->setCompleter(nullptr);
    m_paths->setMinimumContentsLength(40);
    m_paths->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_browse = new QPushButton(QStringLiteral("&Browse"));
    m_changeForAll = new QPushButton(QStringLiteral("&Change for All Items"));
    m_browse->setAutoDefault(false);
    m_changeForAll->setAutoDefault(false);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CApplicationDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CApplicationDlg::reject);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_paths, 1);
    pathRow->addWidget(m_browse);
    auto* changeRow = new QHBoxLayout;
    changeRow->addStretch(1);
    changeRow->addWidget(m_changeForAll);

    auto* layout = new QVBoxLayout(this);
    for (QRadioButton* radio : m_radios) layout->addWidget(radio);
    layout->addLayout(pathRow);
    layout->addLayout(changeRow);
    layout->addWidget(buttons);

    // Only a change of choice refills the box, so a path just browsed for is not thrown away
    // by clicking its radio button again.
    connect(m_group, &QButtonGroup::idToggled, this, [this](int value, bool checked) {
        if (!checked) return;
        collect();
        m_choice.setChoice(value);
        showState();
    });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        collect();
        m_choice.browse();
        showState();
    });
    connect(m_changeForAll, &QPushButton::clicked, this, [this] {
        collect();
        m_choice.changeForAllItems();
        showState();
    });

    showState();
}

std::optional<ApplicationChoice::Result> CApplicationDlg::run(
    QWidget* parent, VaultSettings& settings, std::int32_t& tableSelection, Prompter& prompter,
    std::int32_t appChoice, std::int32_t appIndex, const std::string& browserLabel) {
    CApplicationDlg dialog(settings, tableSelection, prompter, appChoice, appIndex, {}, parent,
                           browserLabel);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choiceResult();
}

std::optional<std::string> CApplicationDlg::chooseProgram(const std::string& initialPath) {
    // Programs here rarely end in .exe, so every file is offered first.
    QString filter = kAllFiles;
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open"), platform::fromVaultText(initialPath),
        QStringLiteral("Executables (*.exe *.com);;") + kAllFiles, &filter);
    if (path.isEmpty()) return std::nullopt;
    return platform::toVaultText(path);
}

void CApplicationDlg::collect() {
    if (!m_choice.pathControlsEnabled()) return;
    const int line = m_paths->currentIndex();
    const QString shown = m_paths->currentText();
    // As in a Windows combo box, editing the text leaves no line selected.
    if (line >= 0 && shown == m_paths->itemText(line)) {
        m_choice.selectLine(line);
        return;
    }
    m_choice.setTypedText(editedVaultText(shown, m_choice.text()));
}

void CApplicationDlg::showState() {
    {
        const QSignalBlocker blockGroup(m_group);
        const int choice = m_choice.choice();
        if (choice >= 0 && choice < 3) {
            m_radios[static_cast<std::size_t>(choice)]->setChecked(true);
        } else {
            // A choice no button stands for (a damaged file): none is checked.
            m_group->setExclusive(false);
            for (QRadioButton* radio : m_radios) radio->setChecked(false);
            m_group->setExclusive(true);
        }
    }
    const QSignalBlocker blockPaths(m_paths);
    m_paths->clear();
    for (const std::string& line : m_choice.lines())
        m_paths->addItem(platform::fromVaultText(line));
    m_paths->setCurrentIndex(m_choice.selectedLine());
    m_paths->setEditText(platform::fromVaultText(m_choice.text()));

    const bool enabled = m_choice.pathControlsEnabled();
    m_paths->setEnabled(enabled);
    m_browse->setEnabled(enabled);
    m_changeForAll->setEnabled(enabled);
}

void CApplicationDlg::accept() {
    collect();
    m_result = m_choice.accept();
    QDialog::accept();
}

}  // namespace kivrano
