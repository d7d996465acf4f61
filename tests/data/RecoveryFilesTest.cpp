#include "TempFolder.h"

#include "RecoveryFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

using namespace spawn;
using namespace spawn::testing;

namespace {

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(RecoveryFilesTest, TheFolderFollowsXdgStateHomeAndFallsBackToTheHomeFolder) {
    {
        const ScopedEnv state("XDG_STATE_HOME", "/tmp/some-state");
        EXPECT_EQ(defaultRecoveryFolder(), "/tmp/some-state/spawn-editor/recovery");
    }
    const ScopedEnv home("HOME", "/home/someone");
    for (const char* ignored : {static_cast<const char*>(nullptr), "relative/state"}) {
        const ScopedEnv state("XDG_STATE_HOME", ignored);
        EXPECT_EQ(defaultRecoveryFolder(), "/home/someone/.local/state/spawn-editor/recovery");
    }
}

TEST(RecoveryFilesTest, EachSpawnPathHasItsOwnCopyAndOnlyAWholeCopyIsRead) {
    const TempFolder dir;
    const std::string folder = dir.file("recovery/nested");
    const std::string first = "/games/a/mobset.data";
    const std::string second = "/games/b/mobset.data";
    const auto paths = recoveryPathsFor(folder, first);
    EXPECT_NE(paths.bytes, recoveryPathsFor(folder, second).bytes);
    EXPECT_EQ(paths.bytes, recoveryPathsFor(folder, first).bytes); // the same on every run
    EXPECT_TRUE(paths.bytes.ends_with("-mobset.data.data"));
    EXPECT_TRUE(recoveryPathsFor(folder, "/x/名 字?.data").info.ends_with("-________.data.json"));

    ASSERT_TRUE(readRecoveryCopy(folder, first).ok());
    EXPECT_FALSE(readRecoveryCopy(folder, first).value().has_value()); // none yet, folder absent

    const DiskStamp stamp{12, -5, 77};
    ASSERT_TRUE(
        writeRecoveryCopy(folder, {first, "2026-01-02T03:04:05Z", stamp}, std::vector<std::uint8_t>{1, 2, 3})
            .ok());
    ASSERT_TRUE(writeRecoveryCopy(folder, {second, "2026-01-02T03:04:06Z", std::nullopt},
                                  std::vector<std::uint8_t>{4})
                    .ok());
    const auto read = readRecoveryCopy(folder, first);
    ASSERT_TRUE(read.ok() && read.value().has_value());
    EXPECT_EQ(read.value()->bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(read.value()->info.time, "2026-01-02T03:04:05Z");
    EXPECT_EQ(read.value()->info.diskStamp, stamp);
    EXPECT_FALSE(readRecoveryCopy(folder, second).value()->info.diskStamp.has_value());
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    // A JSON that names another spawn file (as after a hash collision) is not this file's copy.
    std::filesystem::copy_file(recoveryPathsFor(folder, second).info, paths.info,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_FALSE(readRecoveryCopy(folder, first).ok());
    EXPECT_NE(readRecoveryCopy(folder, first).error().message.find(paths.info), std::string::npos);

    // Bytes without their JSON, and a JSON without its bytes, are reported; removal takes both.
    std::filesystem::remove(paths.info);
    EXPECT_FALSE(readRecoveryCopy(folder, first).ok());
    std::filesystem::remove(recoveryPathsFor(folder, second).bytes);
    EXPECT_FALSE(readRecoveryCopy(folder, second).ok());
    ASSERT_TRUE(removeRecoveryCopy(folder, first).ok());
    ASSERT_TRUE(removeRecoveryCopy(folder, second).ok());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST(RecoveryFilesTest, TheStampChangesWithARewriteAndWithAReplacementOfTheSameSize) {
    const TempFolder dir;
    const std::string path = dir.file("mobset.data");
    EXPECT_FALSE(diskStampOf(path).has_value());
    writeBytes(path, {1, 2, 3});
    const auto first = diskStampOf(path);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->size, 3u);
    const auto sinceUnixEpoch =
        std::chrono::nanoseconds(first->modifiedNs) - std::chrono::system_clock::now().time_since_epoch();
    EXPECT_LT(std::chrono::abs(sinceUnixEpoch), std::chrono::hours(1)); // Unix time, not the file clock's own
    // Same size, same modification time, another inode: still another version.
    writeBytes(dir.file("other"), {4, 5, 6});
    std::filesystem::last_write_time(dir.file("other"), std::filesystem::last_write_time(path));
    std::filesystem::rename(dir.file("other"), path);
    const auto replaced = diskStampOf(path);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(replaced->modifiedNs, first->modifiedNs);
    EXPECT_NE(replaced, first);
}
