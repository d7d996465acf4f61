#include "SpawnEditorWindow.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("spawn-editor"));
    QApplication::setApplicationName(QStringLiteral("spawn-editor"));
    QApplication::setApplicationVersion(QString::fromUtf8(spawn::kProgramVersion));

    spawn::SpawnEditorWindow window;
    if (!window.initialise(QDir::currentPath().toStdString())) {
        return 0;
    }
    window.restorePlacement();
    window.exec();
    return 0;
}
