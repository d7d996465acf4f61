#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace spawn::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        const auto base = std::filesystem::temp_directory_path();
        for (int i = 0;; ++i) {
            m_path = base / ("spawn-test-" + std::to_string(::getpid()) + "-" + std::to_string(s_counter++) +
                             "-" + std::to_string(i));
            if (std::filesystem::create_directory(m_path)) {
                break;
            }
        }
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    static inline int s_counter = 0;
    std::filesystem::path m_path;
};

#ifndef _WIN32
// While one of these lives, a process running as root acts as user and group nobody, so that
// permissions apply to it as to any user; other processes are left as they are.
class WithoutRoot {
public:
    static constexpr uid_t kNobody = 65534;
    WithoutRoot() : m_wasRoot(::geteuid() == 0) {
        if (m_wasRoot) {
            m_dropped = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
        }
    }
    ~WithoutRoot() {
        if (m_wasRoot) {
            static_cast<void>(::seteuid(0));
            static_cast<void>(::setegid(0));
        }
    }
    WithoutRoot(const WithoutRoot&) = delete;
    WithoutRoot& operator=(const WithoutRoot&) = delete;

    // False when root could not become nobody.
    bool ok() const { return !m_wasRoot || m_dropped; }

private:
    bool m_wasRoot;
    bool m_dropped = false;
};
#endif

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace spawn::testing
