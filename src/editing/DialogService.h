#pragma once

#include <optional>
#include <string>

namespace spawn {

// What a file dialog is opened with.
struct FileDialogRequest {
    std::string initialName; // e.g. "mobset.data"
    std::string directory;   // empty: the current folder
    std::string defaultSuffix = "data";
    std::string filter = "n_mobset(*.data)";
};

// The buttons of a question.
enum class Answer { Yes, No, Cancel };

// The modal dialogs the editor's commands use. The window shows real ones; tests script them, so
// no modal dialog ever blocks an automated run.
class DialogService {
public:
    virtual ~DialogService() = default;

    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) = 0;

    // A message with an OK button.
    virtual void showMessage(const std::string& text) = 0;

    // Asks whether to throw away unsaved work; the default answer (false) keeps it.
    virtual bool confirmDiscard(const std::string& text) = 0;

    // A question with Yes and No, and Cancel when `withCancel`; Enter gives `defaultAnswer`.
    // Closing the dialog otherwise gives Cancel, or No without Cancel.
    virtual Answer ask(const std::string& text, bool withCancel, Answer defaultAnswer) = 0;
};

} // namespace spawn
