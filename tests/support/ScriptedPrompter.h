#pragma once

#include "vault/Prompter.h"

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace kivrano::testing {

// Records every message and question and answers questions from a script; a question with
// no scripted answer fails the test by throwing.
class ScriptedPrompter : public Prompter {
public:
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<bool> yesNoAnswers;
    std::deque<SaveChoice> saveAnswers;

    void message(const std::string& text, Icon) override { messages.push_back(text); }
    bool askYesNo(const std::string& text, Icon) override {
        questions.push_back(text);
        if (yesNoAnswers.empty()) throw std::logic_error("unexpected question: " + text);
        bool answer = yesNoAnswers.front();
        yesNoAnswers.pop_front();
        return answer;
    }
    SaveChoice askSaveChanges(const std::string& name) override {
        questions.push_back("save changes to " + name);
        if (saveAnswers.empty()) throw std::logic_error("unexpected save question for " + name);
        SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
};

}  // namespace kivrano::testing
