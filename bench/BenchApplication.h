#pragma once

// The one Qt application object of a benchmark run, offscreen unless told otherwise; the first
// benchmark that needs widgets makes it.

#include <QApplication>

namespace spawn::bench {

inline QApplication& benchApplication() {
    static int argc = 1;
    static char name[] = "spawn_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return new QApplication(argc, argv);
    }();
    return *app;
}

} // namespace spawn::bench
