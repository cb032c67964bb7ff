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
    std::deque<ChangedFileChoice> changedAnswers;
    std::deque<std::string> savePathAnswers;

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
    ChangedFileChoice askChangedOnDisk(const std::string& text) override {
        questions.push_back(text);
        if (changedAnswers.empty()) throw std::logic_error("unexpected question: " + text);
        ChangedFileChoice answer = changedAnswers.front();
        changedAnswers.pop_front();
        return answer;
    }
    std::string askSavePath(const std::string& suggested) override {
        questions.push_back("save as, from " + suggested);
        if (savePathAnswers.empty()) throw std::logic_error("unexpected file dialog");
        std::string answer = savePathAnswers.front();
        savePathAnswers.pop_front();
        return answer;
    }
};

}  // namespace kivrano::testing
