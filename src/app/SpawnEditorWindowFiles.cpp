// The window's part in keeping work safe: the file on disk is compared when the window is
// activated (the session asks about a new version).

#include "SpawnEditorWindow.h"

#include <QEvent>
#include <QTimer>

namespace spawn {

void SpawnEditorWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Not from inside the event: the check may bring up a question.
        QTimer::singleShot(0, this, [this] { m_session.checkFileOnDisk(); });
    }
}

} // namespace spawn
