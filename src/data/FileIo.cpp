#include "FileIo.h"

#include "FilePath.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#endif

namespace spawn {

namespace {

constexpr const char* kNotRegularFile = "not a regular file";
constexpr const char* kFileTooLarge = "file too large";
constexpr const char* kMayBeIncomplete = "，文件可能已不完整";
constexpr const char* kBackupIsAt = "，备份：";
constexpr const char* kIsTheSameFile = " is the same file";

// What one more read after the size known at opening may add.
constexpr std::size_t kExtraReadSize = std::size_t{1} << 16;

std::string describeErrno(int err) {
    return err != 0 ? std::string(" (") + std::strerror(err) + ")" : "";
}

std::string readFailure(const std::string& path, const std::string& reason) {
    return "无法读取文件：" + path + " (" + reason + ")";
}

std::string writeFailure(const std::string& path) {
    return "无法写入文件：" + path;
}

// The write failure injected by ScopedWriteFailure, if one is.
struct WriteFault {
    std::size_t bytesBefore;
    int error;
};
std::optional<WriteFault> g_writeFault;

#ifdef _WIN32
// _write takes an unsigned int count; larger writes go in pieces of this size.
constexpr std::size_t kMaxWindowsWriteSize = std::size_t{1} << 30;
#endif

// One write call on a file descriptor: the count written, or -1 with errno set.
long long writeSome(int fd, const std::uint8_t* data, std::size_t size) {
#ifndef _WIN32
    return ::write(fd, data, size);
#else
    return ::_write(fd, data, static_cast<unsigned int>(std::min(size, kMaxWindowsWriteSize)));
#endif
}

// A file descriptor, closed when it goes out of scope unless closed before.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            static_cast<void>(close());
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

    // 0 or the errno of close(), which can report a failed write-back.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
#ifndef _WIN32
        return ::close(fd) == 0 ? 0 : errno;
#else
        return ::_close(fd) == 0 ? 0 : errno;
#endif
    }

private:
    int m_fd;
};

// Writes one file's data in order, counting what went in so that an injected failure can strike
// midway. Each write returns 0 or the errno.
class DataWriter {
public:
    explicit DataWriter(int fd) : m_fd(fd) {}

    int write(std::span<const std::uint8_t> data) {
        std::size_t done = 0;
        while (done < data.size()) {
            std::size_t chunk = data.size() - done;
            if (g_writeFault) {
                if (m_written >= g_writeFault->bytesBefore) {
                    return g_writeFault->error;
                }
                chunk = std::min(chunk, g_writeFault->bytesBefore - m_written);
            }
            const long long n = writeSome(m_fd, data.data() + done, chunk);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            const auto written = static_cast<std::size_t>(n);
            done += written;
            m_written += written;
        }
        return 0;
    }

private:
    int m_fd;
    std::size_t m_written = 0;
};

// A regular file open for reading: opening anything else (a device, a FIFO, a socket, a folder)
// fails with the reason alone, as does every read.
class SourceFile {
public:
    static Result<SourceFile> open(const std::string& path) {
#ifndef _WIN32
        // Without O_NONBLOCK opening a FIFO would wait for a writer; a regular file ignores it.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return Error{std::strerror(errno)};
        }
        SourceFile file(fd);
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            return Error{std::strerror(errno)};
        }
        if (!S_ISREG(info.st_mode)) {
            return Error{kNotRegularFile};
        }
        // Reads then wait for the data as usual, also where a file system heeds the flag.
        if (const int flags = ::fcntl(fd, F_GETFL); flags >= 0) {
            static_cast<void>(::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK));
        }
        file.m_size = static_cast<std::uint64_t>(info.st_size);
        return file;
#else
        const std::filesystem::path native = filePath(path);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(native, ec)) {
            return Error{ec ? ec.message() : kNotRegularFile};
        }
        SourceFile file;
        file.m_size = std::filesystem::file_size(native, ec);
        file.m_in = std::make_unique<std::ifstream>(native, std::ios::binary);
        if (ec || !*file.m_in) {
            return Error{ec ? ec.message() : std::string("cannot open")};
        }
        return file;
#endif
    }

    SourceFile(SourceFile&& other) noexcept {
        swap(other);
    }
    SourceFile& operator=(SourceFile&& other) noexcept {
        swap(other);
        return *this;
    }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    ~SourceFile() {
#ifndef _WIN32
        if (m_fd >= 0) {
            ::close(m_fd);
        }
#endif
    }

    // The size when opened.
    std::uint64_t size() const {
        return m_size;
    }

    // Up to `data.size()` bytes; 0 at the end of the file.
    Result<std::size_t> read(std::span<std::uint8_t> data) {
#ifndef _WIN32
        for (;;) {
            const ssize_t n = ::read(m_fd, data.data(), data.size());
            if (n >= 0) {
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) {
                return Error{std::strerror(errno)};
            }
        }
#else
        m_in->read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
        if (m_in->bad()) {
            return Error{"read failed"};
        }
        return static_cast<std::size_t>(m_in->gcount());
#endif
    }

private:
#ifndef _WIN32
    explicit SourceFile(int fd) : m_fd(fd) {}
    int m_fd = -1;
#else
    SourceFile() = default;
    std::unique_ptr<std::ifstream> m_in;
#endif
    std::uint64_t m_size = 0;

    void swap(SourceFile& other) noexcept {
#ifndef _WIN32
        std::swap(m_fd, other.m_fd);
#else
        std::swap(m_in, other.m_in);
#endif
        std::swap(m_size, other.m_size);
    }
};

// Puts a file's data through the writer; the message of a failure is complete as it stands.
using Filler = std::function<Status(DataWriter&)>;

// How many names a temporary file tries before creating it counts as failed.
constexpr int kTemporaryNameAttempts = 100;
constexpr std::size_t kTemporarySuffixLength = 6;
// What the temporary name adds to its stem: a dot and the suffix.
constexpr std::size_t kTemporarySuffixRoom = 1 + kTemporarySuffixLength;
// The name limit of the usual file systems, for a folder that does not tell its own.
constexpr std::size_t kDefaultNameMax = 255;
// The bytes that continue a UTF-8 character are 10xxxxxx.
constexpr unsigned kUtf8ContinuationMask = 0xC0;
constexpr unsigned kUtf8Continuation = 0x80;

#ifndef _WIN32
constexpr std::string_view kPathSeparators = "/";
#else
constexpr std::string_view kPathSeparators = "/\\";
#endif

// Where the last name of `path` begins.
std::size_t nameStart(const std::string& path) {
    const std::size_t separator = path.find_last_of(kPathSeparators);
    return separator == std::string::npos ? 0 : separator + 1;
}

std::string folderOf(const std::string& file) {
    const std::size_t start = nameStart(file);
    return start == 0 ? "." : file.substr(0, start);
}

// The longest name the folder accepts, in bytes.
std::size_t nameLimitOf([[maybe_unused]] const std::string& folder) {
#ifndef _WIN32
    if (const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX); limit > 0) {
        return static_cast<std::size_t>(limit);
    }
#endif
    return kDefaultNameMax;
}

// `target` with its name cut, at a character boundary, so that the name and the temporary suffix
// fit the folder's name limit: any name the folder accepts can then be saved.
std::string temporaryStem(const std::string& target) {
    const std::size_t start = nameStart(target);
    const std::size_t limit = nameLimitOf(folderOf(target));
    const std::size_t room = limit > kTemporarySuffixRoom ? limit - kTemporarySuffixRoom : 0;
    std::size_t cut = target.size() - start;
    if (cut > room) {
        cut = room;
        while (cut > 0 && (static_cast<unsigned char>(target[start + cut]) & kUtf8ContinuationMask) ==
                              kUtf8Continuation) {
            --cut;
        }
    }
    return target.substr(0, start + cut);
}

int currentProcessId() {
#ifndef _WIN32
    return static_cast<int>(::getpid());
#else
    return ::_getpid();
#endif
}

#ifndef _WIN32
// A new file's mode before the umask, as any program's new file gets.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
#endif

// Creates `path` only if no file of that name exists; the descriptor or -1 with errno set.
int createExclusively(const std::string& path) {
#ifndef _WIN32
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
#else
    return ::_wopen(filePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
#endif
}

struct Temporary {
    int fd = -1;
    std::string path;
};

// Creates a new file next to `target`, named after it with a random suffix. Created exclusively,
// so no file of the user's is ever taken for it; with kNewFileMode where modes exist, so the umask
// applies to it as to any new file. Fails with the errno.
Result<Temporary> createTemporary(const std::string& target, int& err) {
    static constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    // Names need not be unpredictable, only unlikely to be taken: exclusive creation settles any
    // clash.
    thread_local std::mt19937 random{
        static_cast<std::uint32_t>(currentProcessId()) ^
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    const std::string stem = temporaryStem(target);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::string path = stem + ".";
        for (std::size_t i = 0; i < kTemporarySuffixLength; ++i) {
            path += kLetters[pick(random)];
        }
        const int fd = createExclusively(path);
        if (fd >= 0) {
            return Temporary{fd, std::move(path)};
        }
        if (errno != EEXIST) {
            err = errno;
            return Error{std::strerror(err)};
        }
    }
    err = EEXIST;
    return Error{std::strerror(err)};
}

// What a file the user may not write gives, whatever the platform's own wording.
constexpr const char* kPermissionDenied = " (permission denied)";

// Writes into an existing device, FIFO or socket as a shell redirection does: opened without
// creating or truncating, never replaced (a rename would put a regular file in its place).
Status writeStraightInto(const std::string& path, const std::string& failure, const Filler& fill) {
#ifndef _WIN32
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
#else
    FileDescriptor fd(::_wopen(filePath(path).c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT));
#endif
    if (!fd.isOpen()) {
        return Error{failure + describeErrno(errno)};
    }
    DataWriter writer(fd.get());
    Status filled = fill(writer);
    if (const int closed = fd.close(); filled && closed != 0) {
        return Error{failure + describeErrno(closed)};
    }
    return filled;
}

#ifndef _WIN32

// How many links resolveLinks follows before it gives up, as the kernel does.
constexpr int kMaxLinkDepth = 40;

// The file `path` finally names: each symbolic link is replaced by its target, a relative target
// taken from the link's own folder. A missing file ends the chain there (a dangling link names
// the file it would point to).
Result<std::string> resolveLinks(const std::string& path) {
    std::filesystem::path current = path;
    for (int depth = 0; depth <= kMaxLinkDepth; ++depth) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current.string();
        }
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(current, ec);
        if (ec) {
            return current.string();
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return Error{std::strerror(ELOOP)};
}

// Gives the open file the owner, group and permission bits of `model`. Owner and group are set
// where the process may (root may; another user may still set a group it belongs to) and
// otherwise silently left; they go first because changing them can clear set-ID bits.
int copyMetadata(int fd, const struct stat& model) {
    if (::fchown(fd, model.st_uid, model.st_gid) != 0) {
        static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), model.st_gid));
    }
    return ::fchmod(fd, model.st_mode & kPermissionBits) == 0 ? 0 : errno;
}

// Flushes the folder's entries, so that after a power loss it names the file just renamed into it.
// A file system that cannot flush a folder (EINVAL) has nothing more to offer.
int syncFolder(const std::string& folder) {
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.isOpen()) {
        return errno;
    }
    if (::fsync(fd.get()) != 0 && errno != EINVAL) {
        return errno;
    }
    return 0;
}

// Truncates and rewrites the regular file `target` where it stands. Used only when its folder
// refuses a temporary file, so a failure midway is said to leave the file incomplete.
Status writeInPlace(const std::string& target, const std::string& failure, const Filler& fill,
                    const std::string& backupPath, int createError) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd.isOpen()) {
        // Neither way is open; the folder's refusal is the reason to give.
        return Error{failure + describeErrno(createError)};
    }
    if (::ftruncate(fd.get(), 0) != 0) {
        return Error{failure + describeErrno(errno)};
    }
    DataWriter writer(fd.get());
    Status filled = fill(writer);
    int err = 0;
    if (filled && ::fsync(fd.get()) != 0) {
        err = errno;
    }
    if (const int closed = fd.close(); filled && err == 0) {
        err = closed;
    }
    if (filled && err == 0) {
        return Done{};
    }
    std::string message = filled ? failure + describeErrno(err) : filled.error().message;
    message += kMayBeIncomplete;
    if (!backupPath.empty()) {
        message += kBackupIsAt + backupPath;
    }
    return Error{message};
}

// The common path of every write: temporary file, data, flush, rename, folder flush. `failure`
// begins every message.
Status replaceFile(const std::string& path, const std::string& failure, const Filler& fill,
                   const WriteOptions& options) {
    // Followed through every link, also /dev/stdout's to a pipe, which names no file to resolve.
    if (struct stat existing{};
        ::stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        return writeStraightInto(path, failure, fill);
    }
    const auto resolved = resolveLinks(path);
    if (!resolved) {
        return Error{failure + " (" + resolved.error().message + ")"};
    }
    const std::string& target = resolved.value();

    struct stat previous {};
    const bool replacing = ::stat(target.c_str(), &previous) == 0;
    // A file the user may not write is left alone, as the shell's ">>" would leave it, although
    // the folder would let a new file be renamed over it. Root may write any file, as in the shell.
    if (replacing && S_ISREG(previous.st_mode) &&
        ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES) {
        return Error{failure + kPermissionDenied};
    }
    struct stat model {};
    const bool hasModel =
        replacing || (!options.metadataFrom.empty() && ::stat(options.metadataFrom.c_str(), &model) == 0);
    if (replacing) {
        model = previous;
    }

    int createError = 0;
    auto temporary = createTemporary(target, createError);
    if (!temporary) {
        if (createError == EACCES && replacing && S_ISREG(previous.st_mode)) {
            return writeInPlace(target, failure, fill, options.backupPath, createError);
        }
        return Error{failure + describeErrno(createError)};
    }
    const std::string temporaryPath = temporary.value().path;
    FileDescriptor fd(temporary.value().fd);

    Status status = Done{};
    auto fail = [&](int err) {
        if (status) {
            status = Error{failure + describeErrno(err)};
        }
    };
    if (hasModel) {
        if (const int err = copyMetadata(fd.get(), model); err != 0) {
            fail(err);
        }
    }
    if (status) {
        DataWriter writer(fd.get());
        status = fill(writer);
    }
    if (status && ::fsync(fd.get()) != 0) {
        fail(errno);
    }
    if (const int err = fd.close(); err != 0) {
        fail(err);
    }
    if (status && std::rename(temporaryPath.c_str(), target.c_str()) != 0) {
        fail(errno);
    }
    if (!status) {
        ::unlink(temporaryPath.c_str());
        return status;
    }
    if (const int err = syncFolder(folderOf(target)); err != 0) {
        return Error{failure + describeErrno(err)};
    }
    return Done{};
}

#else

// The Windows path: the same temporary file, flush and replacing rename, without links, owners or
// permission bits beyond the read-only attribute.
Status replaceFile(const std::string& path, const std::string& failure, const Filler& fill,
                   const WriteOptions&) {
    struct _stat64 existing {};
    if (::_wstat64(filePath(path).c_str(), &existing) == 0) {
        const int type = existing.st_mode & _S_IFMT;
        if (type != _S_IFREG && type != _S_IFDIR) {
            return writeStraightInto(path, failure, fill);
        }
        if (type == _S_IFREG && (existing.st_mode & _S_IWRITE) == 0) {
            return Error{failure + kPermissionDenied};
        }
    }
    int createError = 0;
    auto temporary = createTemporary(path, createError);
    if (!temporary) {
        return Error{failure + describeErrno(createError)};
    }
    const std::string temporaryPath = temporary.value().path;
    FileDescriptor fd(temporary.value().fd);

    DataWriter writer(fd.get());
    Status status = fill(writer);
    auto fail = [&](int err) {
        if (status) {
            status = Error{failure + describeErrno(err)};
        }
    };
    if (status && ::_commit(fd.get()) != 0) {
        fail(errno);
    }
    if (const int err = fd.close(); err != 0) {
        fail(err);
    }
    if (status && ::MoveFileExW(filePath(temporaryPath).c_str(), filePath(path).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        status =
            Error{failure + " (" + std::system_category().message(static_cast<int>(::GetLastError())) + ")"};
    }
    if (!status) {
        static_cast<void>(::_wunlink(filePath(temporaryPath).c_str()));
    }
    return status;
}

#endif

} // namespace

Result<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
    auto opened = SourceFile::open(path);
    if (!opened) {
        return Error{readFailure(path, opened.error().message)};
    }
    SourceFile& file = opened.value();
    if (file.size() > kMaxReadSize) {
        return Error{readFailure(path, kFileTooLarge)};
    }
    const auto size = static_cast<std::size_t>(file.size());
    try {
        // Reads of the size the file had when opened, then one more for what it may have grown.
        std::vector<std::uint8_t> bytes(size);
        std::size_t total = 0;
        while (total < size) {
            const auto n = file.read(std::span(bytes).subspan(total));
            if (!n) {
                return Error{readFailure(path, n.error().message)};
            }
            if (n.value() == 0) {
                break;
            }
            total += n.value();
        }
        bytes.resize(total);
        if (total == size) {
            std::vector<std::uint8_t> extra(kExtraReadSize);
            const auto n = file.read(extra);
            if (!n) {
                return Error{readFailure(path, n.error().message)};
            }
            bytes.insert(bytes.end(), extra.begin(), extra.begin() + static_cast<std::ptrdiff_t>(n.value()));
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return Error{readFailure(path, kFileTooLarge)};
    }
}

Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                           const WriteOptions& options) {
    const Filler fill = [&](DataWriter& writer) -> Status {
        if (const int err = writer.write(bytes); err != 0) {
            return Error{writeFailure(path) + describeErrno(err)};
        }
        return Done{};
    };
    return replaceFile(path, writeFailure(path), fill, options);
}

Status copyFileAtomically(const std::string& from, const std::string& to) {
    const std::string readFailed = "无法备份文件：" + from;
    auto opened = SourceFile::open(from);
    if (!opened) {
        return Error{readFailed + " (" + opened.error().message + ")"};
    }
    // A backup that is the file itself, through a link, would be emptied before it is read.
    std::error_code ec;
    if (std::filesystem::equivalent(filePath(from), filePath(to), ec)) {
        return Error{readFailed + " (" + to + kIsTheSameFile + ")"};
    }
    const std::string writeFailed = "无法写入备份文件：" + to;
    const Filler fill = [&](DataWriter& writer) -> Status {
        std::array<std::uint8_t, kCopyBlockSize> block{};
        for (;;) {
            const auto n = opened.value().read(block);
            if (!n) {
                return Error{readFailed + " (" + n.error().message + ")"};
            }
            if (n.value() == 0) {
                return Done{};
            }
            if (const int err = writer.write(std::span(block).first(n.value())); err != 0) {
                return Error{writeFailed + describeErrno(err)};
            }
        }
    };
    return replaceFile(to, writeFailed, fill, WriteOptions{{}, from});
}

ScopedWriteFailure::ScopedWriteFailure(std::size_t bytesBefore, int error) {
    g_writeFault = WriteFault{bytesBefore, error};
}

ScopedWriteFailure::~ScopedWriteFailure() {
    g_writeFault.reset();
}

} // namespace spawn
