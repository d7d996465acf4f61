#include "TempFolder.h"

#include "FileIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace spawn;
using namespace spawn::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    }
    return bytes;
}

struct stat statOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

mode_t modeOf(const std::string& path) {
    return statOf(path).st_mode & 07777;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_previous); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_previous;
};

} // namespace

TEST(SaveThroughLinksTest, ALinkAndAChainOfLinksStayLinksWhileTheFileTheyNameGetsTheBytes) {
    const TempFolder dir;
    fs::create_directory(dir.path() / "server");
    fs::create_directory(dir.path() / "work");
    const std::string real = dir.file("server/mobset.data");
    writeBytes(real, pattern(100, 1));
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink("../server/mobset.data", dir.path() / "work/link.data");
    fs::create_symlink("link.data", dir.path() / "work/chain.data");

    ASSERT_TRUE(writeFileAtomically(dir.file("work/link.data"), pattern(50, 2)).ok());
    EXPECT_EQ(readBytes(real), pattern(50, 2));
    ASSERT_TRUE(writeFileAtomically(dir.file("work/chain.data"), pattern(70, 3)).ok());
    EXPECT_EQ(readBytes(real), pattern(70, 3));

    EXPECT_TRUE(fs::is_symlink(dir.path() / "work/link.data"));
    EXPECT_EQ(fs::read_symlink(dir.path() / "work/link.data"), "../server/mobset.data");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "work/chain.data"));
    EXPECT_EQ(fs::read_symlink(dir.path() / "work/chain.data"), "link.data");
    EXPECT_EQ(modeOf(real), 0640u);
    // The temporary file was made and renamed in the real file's folder; none is left anywhere.
    EXPECT_EQ(namesIn(dir.path() / "server"), std::vector<std::string>{"mobset.data"});
    EXPECT_EQ(namesIn(dir.path() / "work"), (std::vector<std::string>{"chain.data", "link.data"}));

    // A dangling link is written through: the file it names comes into being.
    fs::create_symlink("../server/new.data", dir.path() / "work/new.data");
    ASSERT_TRUE(writeFileAtomically(dir.file("work/new.data"), pattern(30, 4)).ok());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "work/new.data"));
    EXPECT_EQ(readBytes(dir.file("server/new.data")), pattern(30, 4));
}

TEST(SaveMetadataTest, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
    const TempFolder dir;
    {
        const ScopedUmask mask(077);
        ASSERT_TRUE(writeFileAtomically(dir.file("private.data"), pattern(10, 1)).ok());
        EXPECT_EQ(modeOf(dir.file("private.data")), 0600u);

        writeBytes(dir.file("shared.data"), pattern(20, 1));
        ASSERT_EQ(::chmod(dir.file("shared.data").c_str(), 0664), 0);
        ASSERT_TRUE(writeFileAtomically(dir.file("shared.data"), pattern(5, 2)).ok());
        EXPECT_EQ(modeOf(dir.file("shared.data")), 0664u);
        EXPECT_EQ(readBytes(dir.file("shared.data")), pattern(5, 2));
    }
    const ScopedUmask mask(022);
    ASSERT_TRUE(writeFileAtomically(dir.file("public.data"), pattern(10, 1)).ok());
    EXPECT_EQ(modeOf(dir.file("public.data")), 0644u);
}

TEST(SaveMetadataTest, FilesOfAnotherUserKeepTheirOwnerAndGroupWhenRootSavesOrBacksThemUp) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user; run the tests as root to check this";
    }
    const TempFolder dir;
    const std::string file = dir.file("mobset.data");
    writeBytes(file, pattern(100, 1));
    ASSERT_EQ(::chown(file.c_str(), WithoutRoot::kNobody, WithoutRoot::kNobody), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);

    ASSERT_TRUE(writeFileAtomically(file, pattern(60, 2)).ok());
    EXPECT_EQ(readBytes(file), pattern(60, 2));
    EXPECT_EQ(statOf(file).st_uid, WithoutRoot::kNobody);
    EXPECT_EQ(statOf(file).st_gid, WithoutRoot::kNobody);
    EXPECT_EQ(modeOf(file), 0640u);

    // A new backup is the file's copy in this too.
    ASSERT_TRUE(copyFileAtomically(file, file + ".bak").ok());
    EXPECT_EQ(readBytes(file + ".bak"), pattern(60, 2));
    EXPECT_EQ(statOf(file + ".bak").st_uid, WithoutRoot::kNobody);
    EXPECT_EQ(statOf(file + ".bak").st_gid, WithoutRoot::kNobody);
    EXPECT_EQ(modeOf(file + ".bak"), 0640u);
}

TEST(BackupTest, ABackupThatFailsMidwayLeavesThePreviousBackupWhole) {
    const TempFolder dir;
    const std::string file = dir.file("mobset.data");
    const std::string backup = dir.file("mobset.data.bak");
    writeBytes(file, pattern(9 * kCopyBlockSize, 1)); // 36,864 bytes
    writeBytes(backup, pattern(1000, 9));
    {
        // The disk fills after six of the nine blocks.
        const ScopedWriteFailure full(6 * kCopyBlockSize, ENOSPC);
        const auto status = copyFileAtomically(file, backup);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, "无法写入备份文件：" + backup + " (" + std::strerror(ENOSPC) + ")");
    }
    EXPECT_EQ(readBytes(backup), pattern(1000, 9));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"mobset.data", "mobset.data.bak"}));

    ASSERT_TRUE(copyFileAtomically(file, backup).ok());
    EXPECT_EQ(readBytes(backup), pattern(9 * kCopyBlockSize, 1));

    // A new backup of a private file is private too, whatever the umask.
    const ScopedUmask mask(022);
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    fs::remove(backup);
    ASSERT_TRUE(copyFileAtomically(file, backup).ok());
    EXPECT_EQ(modeOf(backup), 0600u);
}

TEST(ReadWholeFileTest, OnlyRegularFilesUpToTheLimitAreReadAndAnythingElseFailsAtOnce) {
    const TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("mobset.data").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.path() / "zero.data");
    fs::create_directory(dir.path() / "folder.data");
    writeBytes(dir.file("huge.data"), {});
    fs::resize_file(dir.file("huge.data"), kMaxReadSize + 1); // sparse: takes no room on the disk
    const std::pair<std::string, const char*> refused[] = {{"/dev/zero", "not a regular file"},
                                                           {dir.file("mobset.data"), "not a regular file"},
                                                           {dir.file("zero.data"), "not a regular file"},
                                                           {dir.file("folder.data"), "not a regular file"},
                                                           {dir.file("huge.data"), "file too large"}};
    for (const auto& [path, reason] : refused) {
        const auto read = readWholeFile(path);
        ASSERT_FALSE(read.ok()) << path;
        EXPECT_EQ(read.error().message, "无法读取文件：" + path + " (" + reason + ")");
    }

    writeBytes(dir.file("real.data"), pattern(300, 5));
    fs::create_symlink("real.data", dir.path() / "link.data");
    const auto linked = readWholeFile(dir.file("link.data"));
    ASSERT_TRUE(linked.ok());
    EXPECT_EQ(linked.value(), pattern(300, 5));
}

TEST(ReadWholeFileTest, AFileLongerThanItsSizeSaidGivesWhatOneMoreReadReturns) {
    // The kernel's own files claim a size of 0 and yet hold text.
    const std::string status = "/proc/self/status";
    if (!fs::exists(status) || fs::file_size(status) != 0) {
        GTEST_SKIP() << status << " is not a file of size 0 here";
    }
    const auto read = readWholeFile(status);
    ASSERT_TRUE(read.ok());
    ASSERT_GT(read.value().size(), 5u);
    EXPECT_EQ(std::string(read.value().begin(), read.value().begin() + 5), "Name:");
}

TEST(BackupTest, ABackupThatIsTheFileItselfThroughALinkIsRefusedAndTheFileKeepsEveryByte) {
    const TempFolder dir;
    const std::string file = dir.file("mobset.data");
    const std::string backup = dir.file("mobset.data.bak");
    writeBytes(file, pattern(3 * kCopyBlockSize + 5, 1));
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    const std::string refused = "无法备份文件：" + file + " (" + backup + " is the same file)";
    // In a folder that refuses new files a backup is written in place, which would empty the file.
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink ? "hard link" : "symbolic link");
        ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
        fs::remove(backup);
        if (hardLink) {
            fs::create_hard_link(file, backup);
        } else {
            fs::create_symlink("mobset.data", backup);
        }
        ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
        const WithoutRoot nobody;
        ASSERT_TRUE(nobody.ok());
        const auto status = copyFileAtomically(file, backup);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, refused);
        EXPECT_EQ(readBytes(file), pattern(3 * kCopyBlockSize + 5, 1));
    }
    // Where the folder would take a temporary file the answer is the same.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const auto status = copyFileAtomically(file, backup);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().message, refused);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"mobset.data", "mobset.data.bak"}));
}

namespace {

// Reads a FIFO from before anything writes it until its writer closes it, or for at most
// `deadline`: a writer that never comes fails the test instead of hanging it.
class FifoReader {
public:
    explicit FifoReader(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)),
          m_thread([this] { readUntilClosed(); }) {}
    ~FifoReader() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    std::vector<std::uint8_t> bytes() {
        m_thread.join();
        return m_bytes;
    }

private:
    static constexpr std::chrono::seconds kDeadline{20};

    void readUntilClosed() {
        const auto end = std::chrono::steady_clock::now() + kDeadline;
        std::array<std::uint8_t, 4096> block{};
        while (m_fd >= 0 && std::chrono::steady_clock::now() < end) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                continue;
            }
            const ssize_t n = ::read(m_fd, block.data(), block.size());
            if (n > 0) {
                m_bytes.insert(m_bytes.end(), block.begin(), block.begin() + n);
            } else if (n == 0) {
                return; // the writer has closed it
            }
        }
    }

    int m_fd;
    std::vector<std::uint8_t> m_bytes;
    std::thread m_thread;
};

} // namespace

TEST(SaveOntoSpecialFilesTest, AFifoIsWrittenStraightIntoDirectlyOrThroughALinkAndStaysAFifo) {
    const TempFolder dir;
    const std::string fifo = dir.file("out.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("out.fifo", dir.path() / "link.data");
    // More than a pipe holds, so the writer waits on the reader midway.
    const auto bytes = pattern(200'000, 3);
    for (const std::string& target : {fifo, dir.file("link.data")}) {
        FifoReader reader(fifo);
        ASSERT_TRUE(reader.isOpen());
        const auto status = writeFileAtomically(target, bytes);
        EXPECT_TRUE(status.ok()) << (status.ok() ? "" : status.error().message);
        EXPECT_TRUE(reader.bytes() == bytes) << target;
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_TRUE(fs::is_symlink(dir.path() / "link.data"));
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"link.data", "out.fifo"}));
}

TEST(SaveNameTest, NamesAsLongAsTheFolderAllowsAreWrittenReplacedAndBackedUp) {
    const TempFolder dir;
    if (::pathconf(dir.path().c_str(), _PC_NAME_MAX) != 255) {
        GTEST_SKIP() << "the temporary folder's file system does not take names of 255 bytes";
    }
    std::string wide; // 85 characters of 3 bytes: a cut must not split one
    for (int i = 0; i < 85; ++i) {
        wide += "怪";
    }
    for (const std::string& name : {std::string(250, 'm') + ".data", wide}) {
        ASSERT_EQ(name.size(), 255u);
        const std::string file = dir.file(name);
        ASSERT_TRUE(writeFileAtomically(file, pattern(100, 1)).ok());
        ASSERT_TRUE(writeFileAtomically(file, pattern(60, 2)).ok());
        EXPECT_EQ(readBytes(file), pattern(60, 2));
        writeBytes(dir.file("short.data"), pattern(10, 3));
        ASSERT_TRUE(copyFileAtomically(dir.file("short.data"), file).ok());
        EXPECT_EQ(readBytes(file), pattern(10, 3));
        std::vector<std::string> expected{name, "short.data"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(dir.path()), expected);
        fs::remove(file);
    }
}
