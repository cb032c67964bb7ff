#pragma once

#include "vault/Prompter.h"

class QWidget;

namespace kivrano {

// Message boxes for the program's messages and questions, titled with the product name.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const std::string& text, Icon icon = Icon::None) override;
    bool askYesNo(const std::string& text, Icon icon = Icon::Question) override;
    SaveChoice askSaveChanges(const std::string& documentName) override;
    ChangedFileChoice askChangedOnDisk(const std::string& text) override;
    std::string askSavePath(const std::string& suggestedPath) override;

private:
    QWidget* m_parent;
};

}  // namespace kivrano
