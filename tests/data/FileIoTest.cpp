#include "TempFolder.h"

#include "FileIo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

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
