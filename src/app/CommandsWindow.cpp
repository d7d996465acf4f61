#include "CommandsWindow.h"

#include "WindowCommands.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

namespace spawn {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 700;
constexpr int kRowHeight = 18;

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QList<QKeySequence> commandKeys(const WindowCommand& command) {
    QList<QKeySequence> keys;
    for (const std::string_view key : command.keys) {
        if (!key.empty()) {
            keys.push_back(QKeySequence::fromString(textOf(key), QKeySequence::PortableText));
        }
    }
    return keys;
}

CommandsWindow::CommandsWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CommandsWindow"));
    setWindowTitle(QStringLiteral("Commands"));
    auto* note = new QLabel(QStringLiteral("The keys work anywhere in the window; in a text box Ctrl+Z, "
                                           "Ctrl+Shift+Z, Ctrl+Y, Ctrl+C and Ctrl+V edit the box."),
                            this);
    note->setWordWrap(true);
    const QStringList headers = {QStringLiteral("Command"), QStringLiteral("Keys"), QStringLiteral("Where"),
                                 QStringLiteral("What it does")};
    auto* list = new QTableWidget(static_cast<int>(std::size(kWindowCommands)),
                                  static_cast<int>(headers.size()), this);
    list->setObjectName(QString::fromLatin1(kListName));
    list->setHorizontalHeaderLabels(headers);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(kRowHeight);
    list->horizontalHeader()->setStretchLastSection(true);
    int row = 0;
    for (const WindowCommand& command : kWindowCommands) {
        QStringList keys;
        for (const QKeySequence& key : commandKeys(command)) {
            keys.push_back(key.toString(QKeySequence::NativeText));
        }
        const QString cells[] = {textOf(command.name), keys.join(QStringLiteral(", ")),
                                 textOf(commandPlaceName(command.place)), textOf(command.what)};
        for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
            list->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        ++row;
    }
    list->resizeColumnsToContents();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(list);
    resize(kWindowWidth, kWindowHeight);
}

} // namespace spawn
