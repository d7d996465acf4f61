#pragma once

#include "DialogService.h"

class QWidget;

namespace spawn {

// The real dialogs: Qt's file dialogs and message boxes, owned by `parent`.
class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget* parent) : m_parent(parent) {}

    std::optional<std::string> chooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override;
    void showMessage(const std::string& text) override;
    bool confirmDiscard(const std::string& text) override;
    Answer ask(const std::string& text, bool withCancel, Answer defaultAnswer) override;

private:
    QWidget* m_parent;
};

} // namespace spawn
