#pragma once

// X servers that misbehave, for the client reader's tests: one that takes connections and never
// answers, and a proxy in front of a real server that drops the connection after a set part of
// the server's bytes. Each serves from a thread of its own on a display number nobody else uses,
// until it is destroyed.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace spawn::testing {

inline constexpr std::size_t kWholeSetup = std::numeric_limits<std::size_t>::max();
inline constexpr std::size_t kNeverDrop = std::numeric_limits<std::size_t>::max();

// Where the proxy drops the connection: after this much of the server's connection-setup reply,
// and, when that was all of it, after this much of what the server sends next.
struct DropPoint {
    std::size_t setupBytes = kWholeSetup;
    std::size_t laterBytes = kNeverDrop;
};

class XServerStandIn {
public:
    // Listens on the socket file and on TCP port 6000 + N, and never writes a byte. The abstract
    // name is held without listening, so a reader must fall back from it to the socket file.
    static std::unique_ptr<XServerStandIn> silent() { return start(std::nullopt, {}); }

    // Listens on the abstract name and relays every connection to the server at `upstreamPath`.
    static std::unique_ptr<XServerStandIn> dropping(const std::string& upstreamPath, DropPoint drop) {
        return start(upstreamPath, drop);
    }

    ~XServerStandIn() {
        m_stop = true;
        m_thread.join();
        for (const int fd : m_listening) {
            ::close(fd);
        }
        if (m_abstractHold >= 0) {
            ::close(m_abstractHold);
        }
        if (!m_socketFile.empty()) {
            ::unlink(m_socketFile.c_str());
        }
    }
    XServerStandIn(const XServerStandIn&) = delete;
    XServerStandIn& operator=(const XServerStandIn&) = delete;

    std::string displayName() const { return ":" + std::to_string(m_display); }
    std::string tcpDisplayName() const { return "127.0.0.1:" + std::to_string(m_display); }

    // What the server sent after the connection setup on the last connection that ended, or 0.
    std::size_t lastLaterBytes() const { return m_lastLaterBytes; }

private:
    static constexpr int kFirstDisplay = 60;
    static constexpr int kLastDisplay = 200;
    static constexpr int kTcpBasePort = 6000;
    static constexpr std::size_t kSetupHeaderSize = 8;
    static constexpr int kPollSliceMs = 20;

    struct Relay {
        int client = -1;
        int server = -1; // -1 for the silent server's connections
        std::string setupHeader;
        std::size_t setupLength = 0; // known once the header is in
        std::size_t sent = 0;
    };

    XServerStandIn() = default;

    static sockaddr_un localAddress(int display, bool abstract, socklen_t& size) {
        const std::string path = "/tmp/.X11-unix/X" + std::to_string(display);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = abstract ? 1 : 0;
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
        return address;
    }

    static int bound(int domain, const void* address, socklen_t size, bool listening) {
        const int fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        if (domain == AF_INET) {
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        }
        if (fd < 0 || ::bind(fd, static_cast<const sockaddr*>(address), size) != 0 ||
            (listening && ::listen(fd, SOMAXCONN) != 0)) {
            if (fd >= 0) {
                ::close(fd);
            }
            return -1;
        }
        return fd;
    }

    // Takes the first display number whose local names and TCP port are all free.
    bool claimDisplay(bool silent) {
        ::mkdir("/tmp/.X11-unix", 01777);
        for (int n = kFirstDisplay; n <= kLastDisplay; ++n) {
            socklen_t size = 0;
            const sockaddr_un abstract = localAddress(n, true, size);
            const int abstractFd = bound(AF_UNIX, &abstract, size, !silent);
            const sockaddr_un file = localAddress(n, false, size);
            const int fileFd = abstractFd >= 0 && silent ? bound(AF_UNIX, &file, size, true) : -1;
            sockaddr_in tcp{};
            tcp.sin_family = AF_INET;
            tcp.sin_port = htons(static_cast<std::uint16_t>(kTcpBasePort + n));
            tcp.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const int tcpFd = fileFd >= 0 ? bound(AF_INET, &tcp, sizeof tcp, true) : -1;
            if (!silent && abstractFd >= 0) {
                m_listening = {abstractFd};
            } else if (tcpFd >= 0) {
                m_abstractHold = abstractFd;
                m_listening = {fileFd, tcpFd};
                m_socketFile = file.sun_path;
            } else {
                for (const int fd : {abstractFd, fileFd}) {
                    if (fd >= 0) {
                        ::close(fd);
                    }
                }
                if (fileFd >= 0) {
                    ::unlink(file.sun_path);
                }
                continue;
            }
            m_display = n;
            return true;
        }
        return false;
    }

    static std::unique_ptr<XServerStandIn> start(std::optional<std::string> upstream, DropPoint drop) {
        std::unique_ptr<XServerStandIn> standIn(new XServerStandIn);
        if (!standIn->claimDisplay(!upstream)) {
            return nullptr;
        }
        standIn->m_upstream = std::move(upstream);
        standIn->m_drop = drop;
        standIn->m_thread = std::thread([raw = standIn.get()] { raw->serve(); });
        return standIn;
    }

    void accept(int listening) {
        const int client = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            return;
        }
        Relay relay;
        relay.client = client;
        if (m_upstream) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, m_upstream->c_str(), sizeof address.sun_path - 1);
            relay.server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (m_drop.setupBytes == 0 ||
                ::connect(relay.server, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                close(relay);
                return;
            }
        }
        m_relays.push_back(relay);
    }

    void close(Relay& relay) {
        if (relay.setupLength > 0 && relay.sent >= relay.setupLength) {
            m_lastLaterBytes = relay.sent - relay.setupLength;
        }
        ::close(relay.client);
        if (relay.server >= 0) {
            ::close(relay.server);
        }
        relay.client = -1;
    }

    // How many more of the server's bytes may pass before the drop point.
    std::size_t allowance(const Relay& relay) const {
        if (relay.setupLength == 0) {
            return std::min(m_drop.setupBytes, kSetupHeaderSize) - relay.sent;
        }
        const std::size_t inSetup = std::min(m_drop.setupBytes, relay.setupLength);
        if (relay.sent < inSetup || m_drop.setupBytes < relay.setupLength) {
            return inSetup - relay.sent;
        }
        return m_drop.laterBytes == kNeverDrop ? kNeverDrop : inSetup + m_drop.laterBytes - relay.sent;
    }

    // Relays one chunk from `from`; false when the connection is to end.
    bool relayFrom(Relay& relay, bool fromServer) {
        char buffer[4096];
        std::size_t want = sizeof buffer;
        if (fromServer) {
            want = std::min(want, allowance(relay));
            if (want == 0) {
                return false;
            }
        }
        const ssize_t n = ::read(fromServer ? relay.server : relay.client, buffer, want);
        if (n <= 0) {
            return false;
        }
        if (!fromServer) {
            return relay.server < 0 ||
                   ::send(relay.server, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
        }
        if (relay.setupLength == 0) {
            relay.setupHeader.append(buffer, static_cast<std::size_t>(n)); // never past the header
            if (relay.setupHeader.size() >= kSetupHeaderSize) {
                // Bytes 6 and 7: the length of the rest in 4-byte units, little-endian for our readers.
                const auto units = static_cast<unsigned char>(relay.setupHeader[6]) |
                                   static_cast<unsigned char>(relay.setupHeader[7]) << 8;
                relay.setupLength = kSetupHeaderSize + 4 * static_cast<std::size_t>(units);
            }
        }
        relay.sent += static_cast<std::size_t>(n);
        return ::send(relay.client, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n &&
               allowance(relay) > 0;
    }

    void serve() {
        while (!m_stop) {
            std::vector<pollfd> fds;
            for (const int fd : m_listening) {
                fds.push_back({fd, POLLIN, 0});
            }
            for (const Relay& relay : m_relays) {
                fds.push_back({relay.client, POLLIN, 0});
                fds.push_back({relay.server, POLLIN, 0}); // a negative descriptor is skipped
            }
            if (::poll(fds.data(), fds.size(), kPollSliceMs) <= 0) {
                continue;
            }
            for (std::size_t i = 0; i < m_relays.size(); ++i) {
                const pollfd& client = fds[m_listening.size() + 2 * i];
                const pollfd& server = fds[m_listening.size() + 2 * i + 1];
                if ((client.revents != 0 && !relayFrom(m_relays[i], false)) ||
                    (server.revents != 0 && !relayFrom(m_relays[i], true))) {
                    close(m_relays[i]);
                }
            }
            std::erase_if(m_relays, [](const Relay& relay) { return relay.client < 0; });
            for (std::size_t i = 0; i < m_listening.size(); ++i) {
                if (fds[i].revents != 0) {
                    accept(m_listening[i]);
                }
            }
        }
        for (Relay& relay : m_relays) {
            close(relay);
        }
    }

    int m_display = -1;
    std::vector<int> m_listening;
    int m_abstractHold = -1;
    std::string m_socketFile;
    std::optional<std::string> m_upstream;
    DropPoint m_drop;
    std::vector<Relay> m_relays;
    std::atomic<std::size_t> m_lastLaterBytes = 0;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

} // namespace spawn::testing
