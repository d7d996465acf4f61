#include "FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace spawn {

namespace {

std::string describeErrno(int err) {
    return err != 0 ? std::string(" (") + std::strerror(err) + ")" : "";
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(path.c_str(), mode));
}

} // namespace

Result<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Error{"无法读取文件：" + path + " (is a directory)"};
    }
    errno = 0;
    const FilePtr file = openFile(path, "rb");
    if (!file) {
        return Error{"无法读取文件：" + path + describeErrno(errno)};
    }
    // One read of the size the file has now; should it have grown meanwhile, the rest follows.
    const auto expected = std::filesystem::file_size(path, ec);
    std::vector<std::uint8_t> bytes(ec ? 0 : static_cast<std::size_t>(expected));
    std::size_t total = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (total == bytes.size()) {
        std::uint8_t block[1 << 16];
        std::size_t n = 0;
        while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
            bytes.insert(bytes.end(), block, block + n);
            total += n;
        }
    }
    bytes.resize(total);
    if (std::ferror(file.get())) {
        return Error{"无法读取文件：" + path + describeErrno(errno)};
    }
    return bytes;
}

Status copyFileInBlocks(const std::string& from, const std::string& to) {
    errno = 0;
    const FilePtr in = openFile(from, "rb");
    if (!in) {
        return Error{"无法备份文件：" + from + describeErrno(errno)};
    }
    errno = 0;
    FilePtr out = openFile(to, "wb");
    if (!out) {
        return Error{"无法创建备份文件：" + to + describeErrno(errno)};
    }
    std::uint8_t block[kCopyBlockSize];
    std::size_t n = 0;
    do {
        n = std::fread(block, 1, kCopyBlockSize, in.get());
        if (n > 0 && std::fwrite(block, 1, n, out.get()) != n) {
            return Error{"无法写入备份文件：" + to + describeErrno(errno)};
        }
    } while (n == kCopyBlockSize);
    if (std::ferror(in.get())) {
        return Error{"无法备份文件：" + from + describeErrno(errno)};
    }
    if (std::fclose(out.release()) != 0) {
        return Error{"无法写入备份文件：" + to + describeErrno(errno)};
    }
    return Done{};
}

Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string failure = "无法写入文件：" + path;
#ifndef _WIN32
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return Error{failure + describeErrno(errno)};
    }
    bool ok = true;
    int err = 0;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            err = errno;
        } else {
            written += static_cast<std::size_t>(n);
        }
    }
    // The saved file keeps the permissions of the file it replaces; a new one gets rw-r--r--
    // rather than mkstemp's owner-only mode.
    struct stat previous {};
    const mode_t mode = ::stat(path.c_str(), &previous) == 0 ? (previous.st_mode & 07777) : 0644;
    if (ok && ::fchmod(fd, mode) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Error{failure + describeErrno(err)};
    }
    return Done{};
#else
    const std::string temp = path + ".saving";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return Error{failure};
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return Error{failure + " (" + ec.message() + ")"};
    }
    return Done{};
#endif
}

} // namespace spawn
