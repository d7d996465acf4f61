#pragma once

#include <QDialog>
#include <QKeySequence>
#include <QList>

namespace spawn {

struct WindowCommand;

// The keys of a command of the table, as key sequences.
QList<QKeySequence> commandKeys(const WindowCommand& command);

// The list of every command of the main window (F1): its name, keys, place and what it does, one
// row each, read from the command table.
class CommandsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kListName = "CommandList";

    explicit CommandsWindow(QWidget* parent);
};

} // namespace spawn
