// Where spawn-tool's output goes wrong: a file it may not replace, and a standard output that
// refuses the data (the real program, its output sent to /dev/full).

#include "SpawnBytes.h"
#include "TempFolder.h"

#include "SpawnTool.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace spawn;
using namespace spawn::testing;
using spawn::tool::runSpawnTool;

namespace {

std::vector<std::uint8_t> manyRecords(std::int32_t count) {
    return fileBytes(
        count, std::vector<std::vector<std::uint8_t>>(static_cast<std::size_t>(count), recordBytes(2, 16)),
        {1, 2, 3});
}

struct Finished {
    int exitCode = -1;
    std::string err;
};

// Runs the real spawn-tool with its standard output on `outPath` and its standard error collected.
Finished runWithStandardOutputOn(const std::string& outPath, const std::vector<std::string>& args,
                                 const TempFolder& dir) {
    const std::string errPath = dir.file("stderr.txt");
    std::vector<std::string> argv{SPAWN_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (auto& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Finished finished;
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        finished.exitCode = WEXITSTATUS(status);
    }
    const auto err = readBytes(errPath);
    finished.err.assign(err.begin(), err.end());
    return finished;
}

} // namespace

TEST(SpawnToolWritingTest, ImportOntoAFileTheUserMayNotWriteFailsAndLeavesTheFileAsItWas) {
    const TempFolder dir;
    writeBytes(dir.file("m.data"), manyRecords(2));
    ASSERT_EQ(runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("m.json")}).exitCode, 0);
    const std::vector<std::uint8_t> before{9, 9, 9};
    writeBytes(dir.file("f.data"), before);
    ASSERT_EQ(::chmod(dir.file("f.data").c_str(), 0444), 0);
    // The folder would let a new file be renamed over it.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const WithoutRoot nobody;
    if (!nobody.ok()) {
        GTEST_SKIP() << "root could not act as user nobody, so every file is writable here";
    }

    const auto refused = runSpawnTool({"import", dir.file("m.json"), "-o", dir.file("f.data")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "无法写入文件：" + dir.file("f.data") + " (permission denied)\n");
    EXPECT_EQ(readBytes(dir.file("f.data")), before);

    // The same through a link, and export's -o alike.
    std::filesystem::create_symlink("f.data", dir.path() / "link.data");
    EXPECT_EQ(runSpawnTool({"import", dir.file("m.json"), "-o", dir.file("link.data")}).exitCode, 1);
    EXPECT_EQ(runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("f.data")}).exitCode, 1);
    EXPECT_EQ(readBytes(dir.file("f.data")), before);
}

TEST(SpawnToolWritingTest, AStandardOutputThatRefusesTheDataGivesTheReasonAndExitOne) {
    const TempFolder dir;
    writeBytes(dir.file("small.data"), manyRecords(1));
    writeBytes(dir.file("large.data"), manyRecords(500)); // its JSON is larger than any stdio buffer
    const std::string full = "/dev/full";
    if (!std::filesystem::is_character_file(full)) {
        GTEST_SKIP() << full << " is missing here";
    }
    const std::string message = std::string("无法写入：standard output (") + std::strerror(ENOSPC) + ")\n";
    for (const auto& args : std::vector<std::vector<std::string>>{{"list", dir.file("small.data")},
                                                                  {"export", dir.file("small.data")},
                                                                  {"export", dir.file("large.data")},
                                                                  {"list", dir.file("large.data")}}) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const auto finished = runWithStandardOutputOn(full, args, dir);
        EXPECT_EQ(finished.exitCode, 1);
        EXPECT_EQ(finished.err, message);
    }
    // A command that fails keeps its own message and status; the output check adds nothing then.
    const auto missing = runWithStandardOutputOn(full, {"list", dir.file("missing.data")}, dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir.file("missing.data")), std::string::npos);
    EXPECT_EQ(missing.err.find("standard output"), std::string::npos);

    // Standard output that takes the data: exit 0 and nothing on standard error.
    const auto fine = runWithStandardOutputOn("/dev/null", {"export", dir.file("large.data")}, dir);
    EXPECT_EQ(fine.exitCode, 0);
    EXPECT_EQ(fine.err, "");
}

// Every command that writes over a file backs it up first, by the rule Save follows; when that
// backup cannot be made the command writes nothing, unless --no-backup says to go without one.
TEST(SpawnToolWritingTest, EveryCommandThatWritesOverAFileBacksItUpFirstAndAFailedBackupWritesNothing) {
    const TempFolder dir;
    writeBytes(dir.file("m.data"), manyRecords(2));
    ASSERT_EQ(runSpawnTool({"export", dir.file("m.data"), "-o", dir.file("m.json")}).exitCode, 0);
    const std::string target = dir.file("live.data");
    const std::vector<std::uint8_t> live = manyRecords(1);
    writeBytes(target, live);

    const auto imported = runSpawnTool({"import", dir.file("m.json"), "-o", target});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(readBytes(target + ".bak"), live);
    EXPECT_EQ(readBytes(target), manyRecords(2));
    const auto appended = runSpawnTool({"append", target, dir.file("m.data"), "--record", "1", "-o", target});
    ASSERT_EQ(appended.exitCode, 0) << appended.err;
    EXPECT_EQ(readBytes(target + ".bak"), manyRecords(2));
    EXPECT_EQ(readBytes(target), manyRecords(3));

    // A folder where the backup goes: each command refuses, names the backup, exits 1, and neither
    // the target nor the folder changes.
    std::filesystem::remove(target + ".bak");
    std::filesystem::create_directory(target + ".bak");
    const std::vector<std::vector<std::string>> writers = {
        {"import", dir.file("m.json")},
        {"append", target, dir.file("m.data")},
        {"edit", target, "--field", "entry:3", "--add", "1"},
        {"remove", target, "--record", "1"},
        {"export", dir.file("m.data")},
    };
    for (std::vector<std::string> args : writers) {
        SCOPED_TRACE(args[0]);
        args.insert(args.end(), {"-o", target});
        const auto refused = runSpawnTool(args);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find(target + ".bak"), std::string::npos) << refused.err;
        EXPECT_EQ(readBytes(target), manyRecords(3));
        EXPECT_TRUE(std::filesystem::is_empty(target + ".bak"));
    }

    // --no-backup writes without trying.
    const auto unsaved = runSpawnTool({"import", dir.file("m.json"), "--no-backup", "-o", target});
    ASSERT_EQ(unsaved.exitCode, 0) << unsaved.err;
    EXPECT_EQ(readBytes(target), manyRecords(2));
    EXPECT_TRUE(std::filesystem::is_empty(target + ".bak"));
}
