#include "SpawnEditorWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("spawn-editor"));
    QApplication::setApplicationVersion(QString::fromUtf8(spawn::kProgramVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Edits a spawn file"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("spawn file to open (default: mobset.data in the current folder)"),
        QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    // The name's bytes as the file system takes them.
    const std::string spawnFile =
        files.isEmpty() ? std::string() : QFile::encodeName(files.first()).toStdString();

    spawn::SpawnEditorWindow window;
    if (!window.initialise(QDir::currentPath().toStdString(), spawnFile)) {
        return 0;
    }
    window.exec();
    return 0;
}
