#pragma once

// The editor's modal dialogs on Windows: the common file dialogs and message boxes, owned by the
// main window.

#include "DialogService.h"

#include <windows.h>

#include <string>

namespace spawn::win32 {

class Win32DialogService : public DialogService {
public:
    // `owner` may be null until the main window exists, and may be changed later.
    explicit Win32DialogService(HWND owner = nullptr);
    void setOwner(HWND owner) { m_owner = owner; }

    std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override;
    void showMessage(const std::string& text) override;
    bool confirmDiscard(const std::string& text) override;
    Answer ask(const std::string& text, bool withCancel, Answer defaultAnswer) override;

    // Message boxes carry the program's module name, as the framework's did.
    const std::wstring& title() const { return m_title; }

private:
    int messageBox(const std::string& text, UINT type) const;

    HWND m_owner;
    std::wstring m_title;
};

// The filter of a file dialog: display text and pattern, each ended by a zero, then one more;
// the pattern is what the display text holds in parentheses ("n_mobset(*.data)" gives "*.data"),
// or every file of the default suffix when it holds none.
std::wstring fileDialogFilter(const FileDialogRequest& request);

} // namespace spawn::win32
