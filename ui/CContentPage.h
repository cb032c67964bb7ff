#pragma once

#include "app/ItemEditor.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QStackedWidget;

namespace kivrano {

// "Etc Information": the six named extra fields with their counts, and the memo.
class CContentPage : public QWidget {
    Q_OBJECT

public:
    explicit CContentPage(QWidget* parent = nullptr);

    // Puts values into the controls, masking the hidden rows and the memo.
    void showValues(const EtcPageValues& values);
    // Reads the controls into values; texts the user left alone keep their bytes.
    void collect(EtcPageValues& values) const;

    // row 0..5 = Etc1..Etc6.
    QLineEdit* countBox(int row, bool enter) const;
    QLineEdit* nameEdit(int row) const { return m_name.at(static_cast<std::size_t>(row)); }
    QLineEdit* textEdit(int row) const { return m_text.at(static_cast<std::size_t>(row)); }
    QCheckBox* hideBox(int row) const { return m_hide.at(static_cast<std::size_t>(row)); }
    QPlainTextEdit* memoEdit() const { return m_memo; }
    QCheckBox* hideMemoBox() const { return m_hideMemo; }
    // A hidden memo shows a "*" for every character and cannot be edited until it is shown.
    bool memoMasked() const;
    QString memoShownText() const;

private:
    void maskMemo(bool masked);

    std::array<QLineEdit*, 6> m_name{};
    std::array<QLineEdit*, 6> m_text{};
    std::array<QCheckBox*, 6> m_hide{};
    std::array<QLineEdit*, 6> m_tab{};
    std::array<QLineEdit*, 6> m_enter{};
    QPlainTextEdit* m_memo = nullptr;
    QPlainTextEdit* m_memoMask = nullptr;
    QStackedWidget* m_memoStack = nullptr;
    QCheckBox* m_hideMemo = nullptr;
};

}  // namespace kivrano
