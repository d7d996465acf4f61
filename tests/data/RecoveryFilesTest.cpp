#include "TempFolder.h"

#include "RecoveryFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // An older version's names, still read.
    const auto paths = recoveryPathsFor(folder, first);
    const auto secondPaths = recoveryPathsFor(folder, second);
    EXPECT_NE(paths.bytes, secondPaths.bytes);
    EXPECT_EQ(paths.bytes, recoveryPathsFor(folder, first).bytes); // the same on every run
    EXPECT_TRUE(paths.bytes.ends_with("-mobset.data.data"));
    EXPECT_TRUE(recoveryPathsFor(folder, "/x/名 字?.data").info.ends_with("-________.data.json"));

    ASSERT_TRUE(readRecoveryCopy(paths, first).ok());
    EXPECT_FALSE(readRecoveryCopy(paths, first).value().has_value()); // none yet, folder absent

    const DiskStamp stamp{12, -5, 77};
    ASSERT_TRUE(writeRecoveryCopy(folder, paths, {first, "2026-01-02T03:04:05Z", stamp},
                                  std::vector<std::uint8_t>{1, 2, 3})
                    .ok());
    ASSERT_TRUE(writeRecoveryCopy(folder, secondPaths, {second, "2026-01-02T03:04:06Z", std::nullopt},
                                  std::vector<std::uint8_t>{4})
                    .ok());
    const auto read = readRecoveryCopy(paths, first);
    ASSERT_TRUE(read.ok() && read.value().has_value());
    EXPECT_EQ(read.value()->bytes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(read.value()->info.time, "2026-01-02T03:04:05Z");
    EXPECT_EQ(read.value()->info.diskStamp, stamp);
    EXPECT_FALSE(readRecoveryCopy(secondPaths, second).value()->info.diskStamp.has_value());
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    // A JSON that names another spawn file (as after a hash collision) is not this file's copy.
    std::filesystem::copy_file(secondPaths.info, paths.info,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_FALSE(readRecoveryCopy(paths, first).ok());
    EXPECT_NE(readRecoveryCopy(paths, first).error().message.find(paths.info), std::string::npos);

    // Bytes without their JSON, and a JSON without its bytes, are reported; removal takes both.
    std::filesystem::remove(paths.info);
    EXPECT_FALSE(readRecoveryCopy(paths, first).ok());
    std::filesystem::remove(secondPaths.bytes);
    EXPECT_FALSE(readRecoveryCopy(secondPaths, second).ok());
    ASSERT_TRUE(removeRecoveryCopy(paths).ok());
    ASSERT_TRUE(removeRecoveryCopy(secondPaths).ok());
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

namespace {

// A window's owner as a process that started at `started`; `runs` below says which still run.
RecoveryOwner ownerOf(std::int64_t pid, std::uint64_t started, std::uint64_t window = 1) {
    return {{pid, started}, window};
}

void setWrittenAt(const std::string& path, int secondsAgo) {
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::seconds(secondsAgo));
}

} // namespace

TEST(RecoveryFilesTest, EveryWindowKeepsItsOwnCopyAndOnlyThoseOfEndedWindowsAreListedNewestFirst) {
    const TempFolder dir;
    const std::string folder = dir.path().string();
    const std::string spawn = "/games/a/mobset.data";
    const RecoveryOwner running = ownerOf(4242, 1000);
    const RecoveryOwner ended = ownerOf(4243, 1001);
    const RecoveryOwner reused = ownerOf(4242, 999);        // the running one's ID, an earlier start
    const RecoveryOwner endedLast = ownerOf(4243, 1001, 2); // the ended process's second window
    const ProcessCheck runs = [&](const ProcessIdentity& process) { return process == running.process; };

    const auto write = [&](const std::optional<RecoveryOwner>& owner, std::uint8_t byte, int secondsAgo) {
        const RecoveryPaths paths = recoveryPathsFor(folder, spawn, owner);
        EXPECT_EQ(paths.owner, owner);
        EXPECT_TRUE(writeRecoveryCopy(folder, paths, {spawn, "2026-01-02T03:04:05Z", std::nullopt},
                                      std::vector<std::uint8_t>{byte})
                        .ok());
        setWrittenAt(paths.info, secondsAgo);
        return paths;
    };
    const RecoveryPaths olderVersions = write(std::nullopt, 1, 50);
    write(running, 2, 0);
    const RecoveryPaths ofEnded = write(ended, 3, 30);
    const RecoveryPaths ofReused = write(reused, 4, 40);
    const RecoveryPaths ofEndedLast = write(endedLast, 5, 10);
    EXPECT_TRUE(ofEnded.bytes.ends_with("-mobset.data@4243-1001-1.data"));
    EXPECT_NE(ofEnded.bytes, ofEndedLast.bytes);
    // Another file's copies, and bytes whose JSON is not written yet.
    const std::string other = "/games/b/mobset.data";
    ASSERT_TRUE(writeRecoveryCopy(folder, recoveryPathsFor(folder, other, ended), {other, "", std::nullopt},
                                  std::vector<std::uint8_t>{6})
                    .ok());
    ASSERT_TRUE(writeRecoveryCopy(folder, recoveryPathsFor(folder, other), {other, "", std::nullopt},
                                  std::vector<std::uint8_t>{6})
                    .ok());
    const RecoveryPaths halfWritten = recoveryPathsFor(folder, spawn, ownerOf(77, 7));
    writeBytes(halfWritten.bytes, {8});
    setWrittenAt(halfWritten.bytes, 20);

    const auto listed = recoveryCopiesOfEndedWindows(folder, spawn, runs);
    std::vector<std::string> names;
    for (const RecoveryPaths& paths : listed) {
        names.push_back(paths.info);
    }
    EXPECT_EQ(names, (std::vector<std::string>{ofEndedLast.info, halfWritten.info, ofEnded.info,
                                               ofReused.info, olderVersions.info}));
    EXPECT_EQ(listed.at(2).bytes, ofEnded.bytes);
    EXPECT_EQ(listed.at(2).owner, ended);
    EXPECT_FALSE(listed.back().owner.has_value());
    EXPECT_EQ(readRecoveryCopy(listed.at(2), spawn).value()->bytes, std::vector<std::uint8_t>{3});
    EXPECT_FALSE(readRecoveryCopy(listed.at(1), spawn).ok()); // its JSON missing

    // Once the running window ends too, its copy is the newest.
    const auto all =
        recoveryCopiesOfEndedWindows(folder, spawn, [](const ProcessIdentity&) { return false; });
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all.front().owner, running);
}

TEST(RecoveryFilesTest, AMarkerTellsOfAnotherRunningWindowOnTheFileAndAnEndedWindowsMarkerGoes) {
    const TempFolder dir;
    const std::string folder = dir.file("recovery");
    const std::string spawn = "/games/a/mobset.data";
    const RecoveryOwner self = ownerOf(10, 100);
    const RecoveryOwner other = ownerOf(11, 110);
    const RecoveryOwner sameProcess = ownerOf(10, 100, 2);
    bool otherRuns = true;
    const ProcessCheck runs = [&](const ProcessIdentity& process) {
        return process == self.process || (otherRuns && process == other.process);
    };

    EXPECT_FALSE(fileOpenInAnotherWindow(folder, spawn, self, runs)); // no folder yet
    ASSERT_TRUE(markFileOpen(folder, spawn, self).ok());
    EXPECT_FALSE(fileOpenInAnotherWindow(folder, spawn, self, runs)); // its own marker
    ASSERT_TRUE(markFileOpen(folder, "/games/b/mobset.data", other).ok());
    EXPECT_FALSE(fileOpenInAnotherWindow(folder, spawn, self, runs));
    ASSERT_TRUE(markFileOpen(folder, spawn, other).ok());
    EXPECT_TRUE(fileOpenInAnotherWindow(folder, spawn, self, runs));
    EXPECT_TRUE(fileOpenInAnotherWindow(folder, spawn, sameProcess, runs));

    // The other window was killed: its markers go, on the look at their file.
    otherRuns = false;
    EXPECT_FALSE(fileOpenInAnotherWindow(folder, spawn, self, runs));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2); // self's, and b's
    EXPECT_TRUE(fileOpenInAnotherWindow(folder, spawn, sameProcess, runs));
    ASSERT_TRUE(unmarkFileOpen(folder, spawn, self).ok());
    ASSERT_TRUE(unmarkFileOpen(folder, spawn, self).ok()); // gone already: no failure
    EXPECT_FALSE(fileOpenInAnotherWindow(folder, spawn, sameProcess, runs));
    // A marker is no recovery copy.
    EXPECT_TRUE(recoveryCopiesOfEndedWindows(folder, "/games/b/mobset.data", runs).empty());
}

TEST(RecoveryFilesTest, AProcessRunsUntilItEndsAndAnotherStartUnderItsIdIsAnotherProcess) {
    const ProcessIdentity self = thisProcess();
    EXPECT_EQ(self.pid, ::getpid());
    EXPECT_NE(self.started, 0u);
    EXPECT_TRUE(processRuns(self));
    EXPECT_FALSE(processRuns({self.pid, self.started + 1}));
    EXPECT_TRUE(processRuns({self.pid, 0})); // start not known: the ID alone
    EXPECT_EQ(newRecoveryOwner().process, self);
    EXPECT_NE(newRecoveryOwner().window, newRecoveryOwner().window);

    // A child that tells its start as it reads it itself, then ends when the pipe to it closes.
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(toChild[1]);
        const std::uint64_t started = thisProcess().started;
        static_cast<void>(::write(fromChild[1], &started, sizeof started));
        char byte = 0;
        static_cast<void>(::read(toChild[0], &byte, 1));
        ::_exit(0);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    ProcessIdentity childProcess{child, 0};
    ASSERT_EQ(::read(fromChild[0], &childProcess.started, sizeof childProcess.started),
              static_cast<ssize_t>(sizeof childProcess.started));
    ::close(fromChild[0]);
    EXPECT_TRUE(processRuns(childProcess));
    EXPECT_FALSE(processRuns({child, childProcess.started + 1})); // the ID used again by a later process

    // Ended but not reaped yet: its ID is still taken, yet it runs no more.
    ::close(toChild[1]);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (processRuns(childProcess) && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(processRuns(childProcess));
    EXPECT_EQ(::kill(child, 0), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(processRuns(childProcess));
    EXPECT_FALSE(processRuns({child, 0}));
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
