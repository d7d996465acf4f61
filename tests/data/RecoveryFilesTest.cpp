#include "TempFolder.h"

#include "SpawnBytes.h"

#include "FilePath.h"
#include "RecoveryFiles.h"
#include "SpawnFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace spawn;
using namespace spawn::testing;

namespace {

// Sets an environment variable to a UTF-8 value (none: unset) for the life of the object, then
// puts the old value back. On Windows through the wide environment, which holds any name whole.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
#ifdef _WIN32
        if (const wchar_t* old = ::_wgetenv(filePath(name).c_str())) {
            m_old = utf8Of(old);
        }
#else
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
#endif
        set(value ? std::optional<std::string>(value) : std::nullopt);
    }
    ~ScopedEnv() {
        set(m_old);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value) const {
#ifdef _WIN32
        // An empty value takes the variable away.
        static_cast<void>(::_wputenv_s(filePath(m_name).c_str(), value ? filePath(*value).c_str() : L""));
#else
        value ? ::setenv(m_name, value->c_str(), 1) : ::unsetenv(m_name);
#endif
    }

    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

#ifndef _WIN32 // on Windows the folder is under %LOCALAPPDATA%, which the test below follows
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
#endif

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
#ifndef _WIN32 // Windows keeps no permission bits beyond read-only
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
#endif

    // A JSON that names another spawn file (as after a hash collision) is not this file's copy.
    writeBytes(paths.info, readBytes(secondPaths.info));
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

#ifndef _WIN32 // fork, and inodes that tell a replacement of the same size and time
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
#endif

namespace {

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

// The file's bytes, opened by the path as the system spells it.
std::vector<std::uint8_t> bytesAt(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << utf8Of(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(utf8Of(entry.path().filename()));
    }
    std::ranges::sort(names);
    return names;
}

} // namespace

// The program's paths are UTF-8 text; folders named in characters beyond ASCII (on Windows, beyond
// the ANSI code page) must be the very folders the files land in. The folders below are built from
// char8_t text, apart from the program's own conversion.
TEST(NonAsciiPathTest, SavingBackingUpStampingAndRecoveringWorkInFoldersNamedInChinese) {
    const TempFolder dir;
    const std::filesystem::path world =
        dir.path() / std::filesystem::path(u8"地图") / std::filesystem::path(u8"世界");
    std::filesystem::create_directories(world);
    const std::string base = utf8Of(dir.path()) + kSeparator;
    const std::string spawnPath = base + "地图" + kSeparator + "世界" + kSeparator + "mobset.data";
    const ElementNameTables noNames;

    // A new file, then a rewrite with another record: the first version goes to the backup.
    const auto firstBytes = fileBytes(1, {recordBytes(2, 500, 1)});
    const auto secondBytes = fileBytes(2, {recordBytes(2, 500, 1), recordBytes(3, 900, 7)});
    const SpawnFile first = parseSpawnFile(firstBytes, noNames, spawnPath).value();
    const SpawnFile second = parseSpawnFile(secondBytes, noNames, spawnPath).value();
    const auto created = writeSpawnFileOver(spawnPath, first.context, first.records);
    ASSERT_TRUE(created.ok()) << created.error().message;
    EXPECT_EQ(created.value().backupPath, "");
    EXPECT_EQ(bytesAt(world / "mobset.data"), firstBytes);
    const auto firstStamp = diskStampOf(spawnPath);
    ASSERT_TRUE(firstStamp.has_value());
    EXPECT_EQ(firstStamp->size, firstBytes.size());
    const auto loaded = loadSpawnFile(spawnPath, noNames);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message;
    EXPECT_EQ(serializeSpawnFile(loaded.value().context, loaded.value().records), firstBytes);

    const auto rewritten = writeSpawnFileOver(spawnPath, second.context, second.records);
    ASSERT_TRUE(rewritten.ok()) << rewritten.error().message;
    EXPECT_EQ(rewritten.value().backupPath, spawnPath + ".bak");
    EXPECT_EQ(bytesAt(world / "mobset.data.bak"), firstBytes);
    EXPECT_EQ(bytesAt(world / "mobset.data"), secondBytes);
    EXPECT_EQ(namesIn(world),
              (std::vector<std::string>{"mobset.data", "mobset.data.bak"})); // no temporary left
    const auto reloaded = loadSpawnFile(spawnPath, noNames);
    ASSERT_TRUE(reloaded.ok()) << reloaded.error().message;
    EXPECT_EQ(reloaded.value().records.count(), 2);
    EXPECT_EQ(serializeSpawnFile(reloaded.value().context, reloaded.value().records), secondBytes);
    const auto secondStamp = diskStampOf(spawnPath);
    ASSERT_TRUE(secondStamp.has_value());
    EXPECT_EQ(secondStamp->size, secondBytes.size());
    EXPECT_NE(secondStamp, firstStamp);

    // The recovery folder of a user whose own folder is named in Chinese.
    const std::filesystem::path profile =
        dir.path() / std::filesystem::path(u8"用户") / std::filesystem::path(u8"张三");
    const std::string profileText = base + "用户" + kSeparator + "张三";
#ifdef _WIN32
    const ScopedEnv local("LOCALAPPDATA", profileText.c_str());
#else
    const ScopedEnv state("XDG_STATE_HOME", profileText.c_str());
#endif
    const std::string folder = defaultRecoveryFolder();
    EXPECT_EQ(folder, profileText + kSeparator + "spawn-editor" + kSeparator + "recovery");
    const RecoveryOwner self{{4242, 1000}, 1};
    const RecoveryOwner other{{4243, 1001}, 1};
    const auto unsaved = fileBytes(3, {recordBytes(1, 7, 3)});
    const RecoveryPaths paths = recoveryPathsFor(folder, spawnPath, self);
    ASSERT_TRUE(
        writeRecoveryCopy(folder, paths, {spawnPath, "2026-01-02T03:04:05Z", secondStamp}, unsaved).ok());
    ASSERT_TRUE(markFileOpen(folder, spawnPath, other).ok());
    const std::filesystem::path recovery = profile / "spawn-editor" / "recovery";
    EXPECT_EQ(namesIn(recovery).size(), 3u);
    EXPECT_TRUE(
        fileOpenInAnotherWindow(folder, spawnPath, self, [](const ProcessIdentity&) { return true; }));

    const auto listed =
        recoveryCopiesOfEndedWindows(folder, spawnPath, [](const ProcessIdentity&) { return false; });
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed.front().bytes, paths.bytes);
    const auto read = readRecoveryCopy(listed.front(), spawnPath);
    ASSERT_TRUE(read.ok() && read.value().has_value()) << (read.ok() ? "" : read.error().message);
    EXPECT_EQ(read.value()->bytes, unsaved);
    EXPECT_EQ(read.value()->info.spawnPath, spawnPath);
    EXPECT_EQ(read.value()->info.diskStamp, secondStamp);

    // The marker of a window that ended goes on the look; the copy goes when removed.
    EXPECT_FALSE(
        fileOpenInAnotherWindow(folder, spawnPath, self, [](const ProcessIdentity&) { return false; }));
    ASSERT_TRUE(removeRecoveryCopy(paths).ok());
    EXPECT_TRUE(std::filesystem::is_empty(recovery));
}
