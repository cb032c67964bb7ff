#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kivrano {

class VaultTree;

// "Show in text format": the whole vault as plain text, to select and copy or print from
// another program. Nothing is written anywhere; the text lives only in the dialog.
class CTextFormatDlg : public QDialog {
    Q_OBJECT

public:
    explicit CTextFormatDlg(const VaultTree& tree, QWidget* parent = nullptr);
    ~CTextFormatDlg() override;

    // "&Start": lists every item with the chosen lines, replacing what the edit held.
    void start();

    QPlainTextEdit* textEdit() const { return m_text; }
    QRadioButton* allLinesButton() const { return m_allLines; }
    QRadioButton* nonEmptyLinesButton() const { return m_nonEmptyLines; }
    QPushButton* startButton() const { return m_start; }

private:
    const VaultTree& m_tree;
    QRadioButton* m_allLines;
    QRadioButton* m_nonEmptyLines;
    QPushButton* m_start;
    QPlainTextEdit* m_text;
};

}  // namespace kivrano
