#pragma once

// Files the benchmarks read and write, in one folder under the system's temporary folder.

#include "DemoWorld.h"
#include "FileIo.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace spawn::bench {

inline std::string benchFolder() {
    static const std::string folder = [] {
        auto dir = std::filesystem::temp_directory_path() / "spawn-bench";
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

// Writes `bytes` to `name` in the bench folder and gives its path.
inline std::string writeBenchFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = benchFolder() + "/" + name;
    (void)writeFileAtomically(path, bytes);
    return path;
}

// The 50,000-record demo spawn file that the load, save and JSON benchmarks share, in memory and
// on disk.
inline constexpr std::int32_t kBigFileRecords = 50000;
inline const std::vector<std::uint8_t>& bigFile() {
    static const auto bytes = demo::generateDemoSpawnFile({kBigFileRecords, 7, {}});
    return bytes;
}
inline const std::string& bigFilePath() {
    static const std::string path = writeBenchFile("mobset.data", bigFile());
    return path;
}

// Reports throughput as `size` bytes per iteration.
inline void setBytesProcessed(benchmark::State& state, std::size_t size) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(size));
}

} // namespace spawn::bench
