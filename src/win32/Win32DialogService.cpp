#include "Win32DialogService.h"

#include "WideText.h"

#include <commdlg.h>

#include <vector>

namespace spawn::win32 {

namespace {

// Room for any path Windows takes, beyond MAX_PATH.
constexpr std::size_t kPathBufferSize = 32768;

std::wstring moduleName() {
    std::vector<wchar_t> path(kPathBufferSize);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring name(path.data(), length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}

std::optional<std::string> runFileDialog(HWND owner, const FileDialogRequest& request, bool save) {
    std::vector<wchar_t> file(kPathBufferSize, L'\0');
    const std::wstring initial = wideOf(request.initialName);
    initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
    const std::wstring filter = fileDialogFilter(request);
    const std::wstring suffix = wideOf(request.defaultSuffix);
    const std::wstring directory = wideOf(request.directory);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = directory.empty() ? nullptr : directory.c_str();
    dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    return utf8Of(file.data());
}

} // namespace

std::wstring fileDialogFilter(const FileDialogRequest& request) {
    const std::wstring display = wideOf(request.filter);
    std::wstring pattern = L"*." + wideOf(request.defaultSuffix);
    const auto open = display.rfind(L'(');
    const auto close = display.rfind(L')');
    if (open != std::wstring::npos && close != std::wstring::npos && close > open + 1) {
        pattern = display.substr(open + 1, close - open - 1);
    }
    std::wstring filter = display;
    filter += L'\0';
    filter += pattern;
    filter += L'\0';
    return filter; // c_str() adds the last zero
}

Win32DialogService::Win32DialogService(HWND owner) : m_owner(owner), m_title(moduleName()) {}

std::optional<std::string> Win32DialogService::chooseFileToOpen(const FileDialogRequest& request) {
    return runFileDialog(m_owner, request, false);
}

std::optional<std::string> Win32DialogService::chooseFileToSave(const FileDialogRequest& request) {
    return runFileDialog(m_owner, request, true);
}

int Win32DialogService::messageBox(const std::string& text, UINT type) const {
    return MessageBoxW(m_owner, wideOf(text).c_str(), m_title.c_str(), type);
}

void Win32DialogService::showMessage(const std::string& text) {
    messageBox(text, MB_OK | MB_ICONINFORMATION);
}

bool Win32DialogService::confirmDiscard(const std::string& text) {
    // No (keep the work) is the default button.
    return messageBox(text, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

Answer Win32DialogService::ask(const std::string& text, bool withCancel, Answer defaultAnswer) {
    UINT type = (withCancel ? MB_YESNOCANCEL : MB_YESNO) | MB_ICONQUESTION;
    if (defaultAnswer == Answer::No) {
        type |= MB_DEFBUTTON2;
    } else if (defaultAnswer == Answer::Cancel && withCancel) {
        type |= MB_DEFBUTTON3;
    }
    switch (messageBox(text, type)) {
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    default:
        // Closing a Yes/No box is impossible in Windows; with Cancel, closing is Cancel.
        return withCancel ? Answer::Cancel : Answer::No;
    }
}

} // namespace spawn::win32
