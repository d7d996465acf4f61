#pragma once

// Dialogs for the benchmarks: no file is chosen, messages go nowhere, and every question gets
// the answer given.

#include "DialogService.h"

namespace spawn::bench {

class AnsweringDialogs : public DialogService {
public:
    explicit AnsweringDialogs(Answer answer = Answer::No) : m_answer(answer) {}
    std::optional<std::string> chooseFileToOpen(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFileToSave(const FileDialogRequest&) override { return std::nullopt; }
    void showMessage(const std::string&) override {}
    bool confirmDiscard(const std::string&) override { return false; }
    Answer ask(const std::string&, bool, Answer) override { return m_answer; }

private:
    Answer m_answer;
};

} // namespace spawn::bench
