#pragma once

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

} // namespace spawn::tool
