// The client on Linux: its window is found on the X display named by DISPLAY (whatever platform
// the program's own windows use), its process through the window's _NET_WM_PID, and its memory is
// read through /proc/PID/mem. Opening that file is the kernel's ptrace access check, so a reader
// without the rights (another user's process, a process that is not dumpable, or Yama's
// ptrace_scope) finds the process but cannot open it.
//
// The X server is an outside party that may never answer or may drop the connection. Xlib would
// wait forever in the first case and end the whole process in the second, so the window is looked
// up through xcb, which turns a broken connection into failed replies, on a socket of our own: the
// lookup runs on a thread of its own, and at the deadline the caller shuts the socket down, which
// ends every read the lookup waits in.

#include "ClientPosition.h"

#include <X11/Xauth.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <limits.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace spawn {

namespace {

using Clock = std::chrono::steady_clock;

// Top-level windows are children of the root; a window manager that reparents puts its frame
// in between, so the client's window may sit this many levels below the root.
constexpr int kTopLevelSearchDepth = 2;

// Enough for any title; a longer property is compared by its first part only, which cannot
// equal a shorter title anyway.
constexpr std::uint32_t kMaxPropertyWords = 1024;

constexpr int kTcpBasePort = 6000; // display N listens on 6000 + N
constexpr std::string_view kLocalSocketPrefix = "/tmp/.X11-unix/X";
constexpr std::string_view kCookieAuthName = "MIT-MAGIC-COOKIE-1";
// Xau's address families, as the X library names them.
constexpr unsigned short kFamilyInternet = 0;
constexpr unsigned short kFamilyInternet6 = 6;
constexpr unsigned short kFamilyLocal = 256;
constexpr std::size_t kIpv4AddressSize = 4;
constexpr std::uint8_t kIpv4LoopbackNet = 127;

struct LookupResult {
    bool windowFound = false;
    std::optional<pid_t> pid;
};

// What the caller and the lookup's thread share. The socket is published so that the caller can
// shut it down; only the lookup closes it, and only under the lock, so the caller never touches a
// descriptor number that has meanwhile been given to someone else.
class LookupState {
public:
    // False when the caller has already given up: the socket is closed and not to be used.
    bool publish(int socket) {
        const std::lock_guard lock(m_mutex);
        if (m_abandoned) {
            ::close(socket);
            return false;
        }
        m_socket = socket;
        return true;
    }

    void closeSocket() {
        const std::lock_guard lock(m_mutex);
        if (m_socket >= 0) {
            ::close(m_socket);
            m_socket = -1;
        }
    }

    void finish(LookupResult result) {
        const std::lock_guard lock(m_mutex);
        m_result = result;
        m_finishedChanged.notify_all();
    }

    // The lookup's result, or nothing when the deadline comes first; the lookup is then abandoned
    // and its socket shut down, so that it ends by itself soon after.
    std::optional<LookupResult> waitUntil(Clock::time_point deadline) {
        std::unique_lock lock(m_mutex);
        if (m_finishedChanged.wait_until(lock, deadline, [this] { return m_result.has_value(); })) {
            return m_result;
        }
        m_abandoned = true;
        if (m_socket >= 0) {
            ::shutdown(m_socket, SHUT_RDWR);
        }
        return std::nullopt;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_finishedChanged;
    int m_socket = -1;
    bool m_abandoned = false;
    std::optional<LookupResult> m_result;
};

// Connects `socket` (non-blocking) to `address`, waiting no longer than `deadline`.
bool connectBefore(int socket, const sockaddr* address, socklen_t size, Clock::time_point deadline) {
    if (::connect(socket, address, size) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd writable{socket, POLLOUT, 0};
    if (left.count() <= 0 || ::poll(&writable, 1, static_cast<int>(left.count())) != 1) {
        return false;
    }
    int error = 0;
    socklen_t errorSize = sizeof error;
    return ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &errorSize) == 0 && error == 0;
}

// A connected socket, and the address the server's authorisation file knows it by.
struct ServerSocket {
    int socket = -1;
    unsigned short family = kFamilyLocal;
    std::string address; // the host name for a local connection
};

std::string hostName() {
    std::array<char, HOST_NAME_MAX + 1> name{};
    return ::gethostname(name.data(), name.size() - 1) == 0 ? std::string(name.data()) : std::string();
}

// Opens a socket and connects it; the socket is published before the connection is attempted.
std::optional<int> openConnected(LookupState& state, int domain, const sockaddr* address, socklen_t size,
                                 Clock::time_point deadline) {
    const int socket = ::socket(domain, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0 || !state.publish(socket)) {
        return std::nullopt;
    }
    if (!connectBefore(socket, address, size, deadline)) {
        state.closeSocket();
        return std::nullopt;
    }
    return socket;
}

// A local display: the abstract socket first, as the X library tries it, then the socket file.
std::optional<ServerSocket> connectLocal(LookupState& state, int display, Clock::time_point deadline) {
    const std::string path = std::string(kLocalSocketPrefix) + std::to_string(display);
    for (const bool abstract : {true, false}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = abstract ? 1 : 0; // an abstract name starts with a zero byte
        if (path.size() + offset >= sizeof address.sun_path) {
            return std::nullopt;
        }
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        if (const auto socket =
                openConnected(state, AF_UNIX, reinterpret_cast<const sockaddr*>(&address), size, deadline)) {
            return ServerSocket{*socket, kFamilyLocal, hostName()};
        }
    }
    return std::nullopt;
}

// How the authorisation file names the server at `address`: a loopback address is this host.
ServerSocket describeTcp(int socket, const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        const auto& ipv4 = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
        std::string bytes(kIpv4AddressSize, '\0');
        std::memcpy(bytes.data(), &ipv4, bytes.size());
        if (static_cast<std::uint8_t>(bytes[0]) == kIpv4LoopbackNet) {
            return {socket, kFamilyLocal, hostName()};
        }
        return {socket, kFamilyInternet, bytes};
    }
    const auto& ipv6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_LOOPBACK(&ipv6)) {
        return {socket, kFamilyLocal, hostName()};
    }
    std::string bytes(sizeof ipv6, '\0');
    std::memcpy(bytes.data(), &ipv6, bytes.size());
    if (IN6_IS_ADDR_V4MAPPED(&ipv6)) {
        return {socket, kFamilyInternet, bytes.substr(bytes.size() - kIpv4AddressSize)};
    }
    return {socket, kFamilyInternet6, bytes};
}

std::optional<ServerSocket> connectTcp(LookupState& state, const std::string& host, int display,
                                       Clock::time_point deadline) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(kTcpBasePort + display);
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) {
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (const auto socket = openConnected(state, a->ai_family, a->ai_addr, a->ai_addrlen, deadline)) {
            return describeTcp(*socket, a->ai_addr);
        }
    }
    return std::nullopt;
}

// The cookie the user's authorisation file holds for this server, if any; a server that needs
// none takes the connection without one.
struct Cookie {
    std::string name;
    std::string data;
};

std::optional<Cookie> cookieFor(const ServerSocket& server, int display) {
    const std::string number = std::to_string(display);
    std::string authName(kCookieAuthName);
    char* names[] = {authName.data()};
    const int nameLengths[] = {static_cast<int>(authName.size())};
    Xauth* auth = XauGetBestAuthByAddr(server.family, static_cast<unsigned short>(server.address.size()),
                                       server.address.data(), static_cast<unsigned short>(number.size()),
                                       number.data(), 1, names, nameLengths);
    if (auth == nullptr) {
        return std::nullopt;
    }
    Cookie cookie{std::string(auth->name, auth->name_length), std::string(auth->data, auth->data_length)};
    XauDisposeAuth(auth);
    return cookie;
}

struct ConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// xcb hands replies and errors over in malloc'd blocks.
struct FreeDeleter {
    void operator()(void* data) const { std::free(data); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Sends before it waits: the requests for many windows travel together, and a broken connection
// gives null replies instead of ending anything.
class WindowQueries {
public:
    explicit WindowQueries(xcb_connection_t* connection) : m_connection(connection) {}

    xcb_atom_t atom(std::string_view name) {
        const auto cookie =
            xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(m_connection, cookie, nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_get_property_cookie_t askProperty(xcb_window_t window, xcb_atom_t name) {
        return xcb_get_property(m_connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                kMaxPropertyWords);
    }

    // The property's value when it is there in `format` (8 or 32 bits per item).
    Reply<xcb_get_property_reply_t> property(xcb_get_property_cookie_t cookie, std::uint8_t format) {
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection, cookie, &error));
        std::free(error); // a window that vanished meanwhile has no properties
        if (!reply || reply->type == XCB_ATOM_NONE || reply->format != format) {
            return nullptr;
        }
        return reply;
    }

    // The titles of `windows`: _NET_WM_NAME where a window has one, WM_NAME otherwise.
    std::vector<std::optional<std::string>> titles(const std::vector<xcb_window_t>& windows,
                                                   xcb_atom_t netWmName) {
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_property_cookie_t>> cookies;
        for (const xcb_window_t window : windows) {
            cookies.emplace_back(askProperty(window, netWmName), askProperty(window, XCB_ATOM_WM_NAME));
        }
        std::vector<std::optional<std::string>> result;
        for (const auto& [net, plain] : cookies) {
            auto netTitle = property(net, 8);
            const auto plainTitle = property(plain, 8);
            const auto& chosen = netTitle ? netTitle : plainTitle;
            if (chosen) {
                const auto* text = static_cast<const char*>(xcb_get_property_value(chosen.get()));
                result.emplace_back(
                    std::string(text, static_cast<std::size_t>(xcb_get_property_value_length(chosen.get()))));
            } else {
                result.emplace_back(std::nullopt);
            }
        }
        return result;
    }

    std::vector<std::uint32_t> words(xcb_window_t window, xcb_atom_t name) {
        const auto reply = property(askProperty(window, name), 32);
        if (!reply) {
            return {};
        }
        const auto* first = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        return {first, first + xcb_get_property_value_length(reply.get()) / 4};
    }

    std::vector<xcb_window_t> children(xcb_window_t window) {
        xcb_generic_error_t* error = nullptr;
        const Reply<xcb_query_tree_reply_t> reply(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), &error));
        std::free(error);
        if (!reply) {
            return {};
        }
        const xcb_window_t* first = xcb_query_tree_children(reply.get());
        return {first, first + xcb_query_tree_children_length(reply.get())};
    }

private:
    xcb_connection_t* m_connection;
};

std::optional<xcb_window_t> findTitled(WindowQueries& queries, xcb_window_t parent, std::string_view title,
                                       xcb_atom_t netWmName, int depth) {
    const auto children = queries.children(parent);
    const auto titles = queries.titles(children, netWmName);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (titles[i] && *titles[i] == title) {
            return children[i];
        }
        if (!titles[i] && depth > 1) {
            if (const auto found = findTitled(queries, children[i], title, netWmName, depth - 1)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::optional<xcb_window_t> findTopLevelWindow(WindowQueries& queries, xcb_window_t root,
                                               std::string_view title) {
    const xcb_atom_t netWmName = queries.atom("_NET_WM_NAME");
    // With a window manager that keeps the list of client windows, those are the top-level ones.
    const auto clients = queries.words(root, queries.atom("_NET_CLIENT_LIST"));
    if (!clients.empty()) {
        const std::vector<xcb_window_t> windows(clients.begin(), clients.end());
        const auto titles = queries.titles(windows, netWmName);
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (titles[i] && *titles[i] == title) {
                return windows[i];
            }
        }
        return std::nullopt;
    }
    return findTitled(queries, root, title, netWmName, kTopLevelSearchDepth);
}

LookupResult lookUpOnServer(xcb_connection_t* connection, int screen, std::string_view title) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screen && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        return {};
    }
    WindowQueries queries(connection);
    const auto window = findTopLevelWindow(queries, screens.data->root, title);
    if (!window) {
        return {};
    }
    const auto pid = queries.words(*window, queries.atom("_NET_WM_PID"));
    LookupResult result{true, std::nullopt};
    if (!pid.empty() && pid.front() != 0) {
        result.pid = static_cast<pid_t>(pid.front());
    }
    // What a broken connection delivered is no answer: the lookup failed.
    return xcb_connection_has_error(connection) == 0 ? result : LookupResult{};
}

LookupResult lookUp(LookupState& state, const std::string& displayName, const std::string& title,
                    Clock::time_point deadline) {
    char* rawHost = nullptr;
    int display = 0;
    int screen = 0;
    if (xcb_parse_display(displayName.c_str(), &rawHost, &display, &screen) == 0) {
        return {};
    }
    const std::string host(rawHost);
    std::free(rawHost);
    const auto server = host.empty() || host == "unix" ? connectLocal(state, display, deadline)
                                                       : connectTcp(state, host, display, deadline);
    if (!server) {
        return {};
    }
    auto cookie = cookieFor(*server, display);
    xcb_auth_info_t auth{};
    if (cookie) {
        auth = {static_cast<int>(cookie->name.size()), cookie->name.data(),
                static_cast<int>(cookie->data.size()), cookie->data.data()};
    }
    // xcb closes what it is given, and the published socket must stay ours until we close it.
    const Connection connection(
        xcb_connect_to_fd(::fcntl(server->socket, F_DUPFD_CLOEXEC, 0), cookie ? &auth : nullptr));
    const LookupResult result = xcb_connection_has_error(connection.get()) == 0
                                    ? lookUpOnServer(connection.get(), screen, title)
                                    : LookupResult{};
    state.closeSocket();
    return result;
}

void runLookup(const std::shared_ptr<LookupState>& state, const std::string& displayName,
               const std::string& title, Clock::time_point deadline) {
    // Writing to a connection the server has closed raises SIGPIPE, which would end the program;
    // blocked here it stays pending on this thread and goes with it.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    state->finish(lookUp(*state, displayName, title, deadline));
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
        const char* displayName = std::getenv("DISPLAY");
        if (displayName == nullptr || *displayName == '\0') {
            return ClientOpenFailure::NoWindow;
        }
        const auto deadline = Clock::now() + kClientLookupTimeout;
        auto state = std::make_shared<LookupState>();
        // Detached: a lookup the deadline overtook ends by itself once its socket is shut down,
        // or at its own deadline while it still resolves or connects.
        std::thread(runLookup, state, std::string(displayName), std::string(windowTitle), deadline).detach();
        const auto found = state->waitUntil(deadline);
        if (!found || !found->windowFound) {
            return ClientOpenFailure::NoWindow;
        }
        if (!found->pid) {
            return ClientOpenFailure::NotOpened;
        }
        const std::string path = "/proc/" + std::to_string(*found->pid) + "/mem";
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
