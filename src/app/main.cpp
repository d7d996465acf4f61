#include "SpawnEditorWindow.h"
#include "SpawnVersion.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <string_view>

namespace {

constexpr int kSmokeTestPollMs = 50;

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Edits a game server's spawn file (mobset.data): lists its areas and their creatures, edits,\n"
        "appends and removes records, shows them on the world map and saves the file byte for byte.\n"
        "Reads the element database elements.data beside FILE, else from the current folder."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("spawn file to open (default: mobset.data in the current folder)"),
        QStringLiteral("[FILE]"));
}

// --help and --version are answered before QApplication, which needs a display: they work over
// ssh, and the manual page is made from them at build time.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version") {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("spawn-editor"));
    QCoreApplication::setApplicationName(QStringLiteral("spawn-editor"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(spawn::kProgramVersion));
    if (asksOnlyForText(argc, argv)) {
        const QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser);
        parser.process(app); // prints the text and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    // The name's bytes as the file system takes them.
    const std::string spawnFile =
        files.isEmpty() ? std::string() : QFile::encodeName(files.first()).toStdString();

    spawn::SpawnEditorWindow window;
    // For the installed package's smoke test: acts as a user who dismisses each start-up message
    // and, once the window runs, says what it loaded and closes it as the close box would.
    QTimer smokeTest;
    if (qEnvironmentVariableIsSet("SPAWN_EDITOR_CLOSE_AFTER_LOAD")) {
        QObject::connect(&smokeTest, &QTimer::timeout, &window, [&window] {
            auto* const modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (modal == &window) {
                std::printf("%s: %d records\n",
                            qPrintable(window.windowTitle().remove(QStringLiteral("[*]"))),
                            window.document().records().count());
                window.reject();
            } else if (modal != nullptr) {
                modal->reject();
            }
        });
        smokeTest.start(kSmokeTestPollMs);
    }
    if (!window.initialise(QDir::currentPath().toStdString(), spawnFile)) {
        return 0;
    }
    window.restorePlacement();
    window.exec();
    window.savePlacement();
    return 0;
}
