#include "QtEventLoop.h"

#include <QFileInfo>
#include <QTimer>

#include <filesystem>

namespace spawn {

namespace {

class QtTimer final : public Timer {
public:
    explicit QtTimer(std::function<void()> timeout) {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [timeout = std::move(timeout)] { timeout(); });
    }
    void start(std::chrono::milliseconds delay) override { m_timer.start(delay); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace

QtEventLoop::QtEventLoop() = default;
QtEventLoop::~QtEventLoop() = default;

std::unique_ptr<Timer> QtEventLoop::makeTimer(std::function<void()> timeout) {
    return std::make_unique<QtTimer>(std::move(timeout));
}

void QtEventLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(&m_context, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

QtFileWatcher::QtFileWatcher() {
    const auto noticed = [this] {
        if (m_noticed) {
            m_noticed();
        }
    };
    QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, noticed);
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, noticed);
}

void QtFileWatcher::watch(const std::string& path, std::function<void()> noticed) {
    if (const QStringList watched = m_watcher.files() + m_watcher.directories(); !watched.isEmpty()) {
        m_watcher.removePaths(watched);
    }
    m_path = path;
    m_noticed = std::move(noticed);
    rewatch();
}

void QtFileWatcher::rewatch() {
    if (m_path.empty()) {
        return;
    }
    const QString file = QString::fromStdString(m_path);
    if (!m_watcher.files().contains(file) && QFileInfo::exists(file)) {
        m_watcher.addPath(file);
    }
    const QString folder = QString::fromStdString(std::filesystem::path(m_path).parent_path().string());
    if (!m_watcher.directories().contains(folder) && QFileInfo::exists(folder)) {
        m_watcher.addPath(folder);
    }
}

} // namespace spawn
