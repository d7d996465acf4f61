#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace spawn::tool {

// Exit statuses of spawn-tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // a file could not be read, or check found a difference
inline constexpr int kExitUsage = 2;

struct ToolOutput {
    int exitCode = kExitOk;
    std::string out; // one JSON object and a newline, or help text
    std::string err;
};

// Runs spawn-tool with its arguments (without the program name).
ToolOutput runSpawnTool(const std::vector<std::string>& args);

// Prints `output` to the two streams and gives the exit status. `out` is standard output: it is
// flushed and checked, and a write that failed (a full disk, a device that refuses data) adds
// "无法写入：standard output (<reason>)" to standard error and makes the status kExitFailure.
int printToolOutput(const ToolOutput& output, std::FILE* out, std::FILE* err);

} // namespace spawn::tool
