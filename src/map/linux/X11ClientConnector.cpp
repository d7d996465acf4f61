// The client on Linux: its window is found on the X display named by DISPLAY (whatever platform
// the program's own windows use), its process through the window's _NET_WM_PID, and its memory is
// read through /proc/PID/mem. Opening that file is the kernel's ptrace access check, so a reader
// without the rights (another user's process, a process that is not dumpable, or Yama's
// ptrace_scope) finds the process but cannot open it.

#include "ClientPosition.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

namespace {

// Top-level windows are children of the root; a window manager that reparents puts its frame
// in between, so the client's window may sit this many levels below the root.
constexpr int kTopLevelSearchDepth = 2;

// Enough for any title; a longer property is compared by its first part only, which cannot
// equal a shorter title anyway.
constexpr long kMaxPropertyWords = 1024;

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreer {
    void operator()(void* data) const {
        if (data != nullptr) {
            XFree(data);
        }
    }
};

// A window may vanish while we look at it; the error that causes is expected and must not end
// the program, which is what Xlib's default handler does.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

class XErrorsIgnored {
public:
    explicit XErrorsIgnored(Display* display)
        : m_display(display), m_previous(XSetErrorHandler(ignoreXError)) {}
    ~XErrorsIgnored() {
        XSync(m_display, False); // errors still on their way arrive while ours is in place
        XSetErrorHandler(m_previous);
    }
    XErrorsIgnored(const XErrorsIgnored&) = delete;
    XErrorsIgnored& operator=(const XErrorsIgnored&) = delete;

private:
    Display* m_display;
    XErrorHandler m_previous;
};

struct Property {
    Atom type = None;
    int format = 0;
    std::vector<unsigned char> bytes; // format 8
    std::vector<unsigned long> words; // format 32, as Xlib hands them over: one long each
};

std::optional<Property> readProperty(Display* display, Window window, Atom name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* raw = nullptr;
    const int status = XGetWindowProperty(display, window, name, 0, kMaxPropertyWords, False, AnyPropertyType,
                                          &type, &format, &count, &remaining, &raw);
    const std::unique_ptr<unsigned char, XFreer> data(raw);
    if (status != Success || type == None || data == nullptr) {
        return std::nullopt;
    }
    Property property{type, format, {}, {}};
    if (format == 8) {
        property.bytes.assign(data.get(), data.get() + count);
    } else if (format == 32) {
        // Xlib stores 32-bit items in longs; copy them as longs without casting the buffer.
        property.words.resize(count);
        std::memcpy(property.words.data(), data.get(), count * sizeof(unsigned long));
    }
    return property;
}

// The window's title: _NET_WM_NAME when it has one, WM_NAME otherwise.
std::optional<std::string> windowTitle(Display* display, Window window) {
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    for (const Atom name : {netWmName, Atom{XA_WM_NAME}}) {
        const auto property = readProperty(display, window, name);
        if (property && property->format == 8) {
            return std::string(property->bytes.begin(), property->bytes.end());
        }
    }
    return std::nullopt;
}

std::vector<Window> childrenOf(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* raw = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &raw, &count) == 0) {
        return {};
    }
    const std::unique_ptr<Window, XFreer> children(raw);
    return raw == nullptr ? std::vector<Window>{} : std::vector<Window>(raw, raw + count);
}

std::optional<Window> findTitled(Display* display, Window parent, std::string_view title, int depth) {
    for (const Window child : childrenOf(display, parent)) {
        const auto childTitle = windowTitle(display, child);
        if (childTitle && *childTitle == title) {
            return child;
        }
        if (!childTitle && depth > 1) {
            if (const auto found = findTitled(display, child, title, depth - 1)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::optional<Window> findTopLevelWindow(Display* display, std::string_view title) {
    const Window root = DefaultRootWindow(display);
    // With a window manager that keeps the list of client windows, those are the top-level ones.
    const auto clients = readProperty(display, root, XInternAtom(display, "_NET_CLIENT_LIST", False));
    if (clients && clients->format == 32 && !clients->words.empty()) {
        for (const unsigned long client : clients->words) {
            const auto clientTitle = windowTitle(display, client);
            if (clientTitle && *clientTitle == title) {
                return client;
            }
        }
        return std::nullopt;
    }
    return findTitled(display, root, title, kTopLevelSearchDepth);
}

std::optional<pid_t> windowProcess(Display* display, Window window) {
    const auto pid = readProperty(display, window, XInternAtom(display, "_NET_WM_PID", False));
    if (!pid || pid->format != 32 || pid->words.empty() || pid->words.front() == 0) {
        return std::nullopt;
    }
    return static_cast<pid_t>(pid->words.front());
}

class ProcMemProcess : public ClientProcess {
public:
    explicit ProcMemProcess(int fd) : m_fd(fd) {}
    ~ProcMemProcess() override { ::close(m_fd); }
    ProcMemProcess(const ProcMemProcess&) = delete;
    ProcMemProcess& operator=(const ProcMemProcess&) = delete;

    bool read(std::uint32_t address, std::span<std::uint8_t> bytes) override {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pread(m_fd, bytes.data() + done, bytes.size() - done,
                                      static_cast<off_t>(address) + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false; // EIO: not mapped
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_fd;
};

class X11ClientConnector : public ClientConnector {
public:
    ClientOpenResult open(std::string_view windowTitle) override {
        // No display at all means no window to be found.
        const DisplayPtr display(XOpenDisplay(nullptr));
        if (!display) {
            return ClientOpenFailure::NoWindow;
        }
        std::optional<pid_t> pid;
        {
            const XErrorsIgnored ignored(display.get());
            const auto window = findTopLevelWindow(display.get(), windowTitle);
            if (!window) {
                return ClientOpenFailure::NoWindow;
            }
            pid = windowProcess(display.get(), *window);
        }
        if (!pid) {
            return ClientOpenFailure::NotOpened;
        }
        const std::string path = "/proc/" + std::to_string(*pid) + "/mem";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return ClientOpenFailure::NotOpened;
        }
        return std::make_unique<ProcMemProcess>(fd);
    }
};

} // namespace

std::unique_ptr<ClientConnector> makeClientConnector() {
    return std::make_unique<X11ClientConnector>();
}

} // namespace spawn
