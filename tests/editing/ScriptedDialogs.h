#pragma once

#include "DialogService.h"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace spawn::testing {

// Dialogs that answer from a script and record what they were asked. A dialog that comes up with
// no answer scripted is recorded as unexpected and answered with cancel, so a test never blocks.
class ScriptedDialogs : public DialogService {
public:
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    std::deque<bool> discardAnswers;
    std::deque<Answer> questionAnswers;

    std::vector<std::string> messages;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;
    int discardQuestions = 0;
    struct Question {
        std::string text;
        bool withCancel;
        Answer defaultAnswer;
    };
    std::vector<Question> asked;
    std::vector<std::string> unexpected;

    std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers, "open dialog");
    }
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveAnswers, "save dialog");
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    bool confirmDiscard(const std::string&) override {
        ++discardQuestions;
        if (discardAnswers.empty()) {
            unexpected.emplace_back("discard question");
            return false;
        }
        const bool answer = discardAnswers.front();
        discardAnswers.pop_front();
        return answer;
    }

    Answer ask(const std::string& text, bool withCancel, Answer defaultAnswer) override {
        asked.push_back({text, withCancel, defaultAnswer});
        if (questionAnswers.empty()) {
            unexpected.emplace_back("question: " + text);
            return withCancel ? Answer::Cancel : Answer::No;
        }
        const Answer answer = questionAnswers.front();
        questionAnswers.pop_front();
        return answer;
    }

private:
    std::optional<std::string> next(std::deque<std::optional<std::string>>& answers, const char* what) {
        if (answers.empty()) {
            unexpected.emplace_back(what);
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace spawn::testing
