#include "QtDialogService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace spawn {

namespace {

std::optional<std::string> runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.setDirectory(request.directory.empty() ? QDir::currentPath()
                                                  : QString::fromStdString(request.directory));
    // A wildcard name only repeats the filter; Qt's dialog shows the filter on its own.
    if (!request.initialName.empty() && request.initialName.find('*') == std::string::npos) {
        dialog.selectFile(QString::fromStdString(request.initialName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

} // namespace

std::optional<std::string> QtDialogService::chooseFileToOpen(const FileDialogRequest& request) {
    return runFileDialog(m_parent, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtDialogService::chooseFileToSave(const FileDialogRequest& request) {
    return runFileDialog(m_parent, request, QFileDialog::AcceptSave);
}

void QtDialogService::showMessage(const std::string& text) {
    QMessageBox::information(m_parent, QCoreApplication::applicationName(), QString::fromStdString(text),
                             QMessageBox::Ok);
}

bool QtDialogService::confirmDiscard(const std::string& text) {
    return QMessageBox::question(m_parent, QCoreApplication::applicationName(), QString::fromStdString(text),
                                 QMessageBox::Discard | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Discard;
}

Answer QtDialogService::ask(const std::string& text, bool withCancel, Answer defaultAnswer) {
    const auto buttonOf = [](Answer answer) {
        switch (answer) {
        case Answer::Yes:
            return QMessageBox::Yes;
        case Answer::No:
            return QMessageBox::No;
        case Answer::Cancel:
            break;
        }
        return QMessageBox::Cancel;
    };
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) {
        buttons |= QMessageBox::Cancel;
    }
    const auto pressed =
        QMessageBox::question(m_parent, QCoreApplication::applicationName(), QString::fromStdString(text),
                              buttons, buttonOf(defaultAnswer));
    if (pressed == QMessageBox::Yes) {
        return Answer::Yes;
    }
    if (pressed == QMessageBox::No || !withCancel) {
        return Answer::No;
    }
    return Answer::Cancel;
}

} // namespace spawn
