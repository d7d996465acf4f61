#include "RecoveryFiles.h"

#include "FileIo.h"

#include <nlohmann/json.hpp>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace spawn {

namespace {

using Json = nlohmann::json;

constexpr const char* kStateSubfolder = "spawn-editor/recovery";
constexpr const char* kBytesSuffix = ".data";
constexpr const char* kInfoSuffix = ".json";

// FNV-1a, 64 bits: stable across builds and runs, unlike std::hash.
constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

std::uint64_t pathHash(const std::string& text) {
    std::uint64_t hash = kFnvOffset;
    for (const char c : text) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

// The spawn file's own name, kept to letters, digits and ". _ -" so it is safe in any folder.
std::string safeFileName(const std::string& spawnPath) {
    std::string name = std::filesystem::path(spawnPath).filename().string();
    for (char& c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '_' || c == '-';
        if (!plain) {
            c = '_';
        }
    }
    return name;
}

std::string unreadable(const std::string& path, const std::string& reason) {
    return "无法读取恢复副本：" + path + " (" + reason + ")";
}

Json stampJson(const std::optional<DiskStamp>& stamp) {
    if (!stamp) {
        return nullptr;
    }
    return Json{{"size", stamp->size}, {"modifiedNs", stamp->modifiedNs}, {"inode", stamp->inode}};
}

std::optional<RecoveryInfo> parseInfo(const std::vector<std::uint8_t>& text) {
    const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!json.is_object() || !json.contains("spawnPath") || !json["spawnPath"].is_string() ||
        !json.contains("time") || !json["time"].is_string()) {
        return std::nullopt;
    }
    RecoveryInfo info{json["spawnPath"].get<std::string>(), json["time"].get<std::string>(), std::nullopt};
    if (json.contains("disk") && json["disk"].is_object()) {
        const Json& disk = json["disk"];
        if (!disk.contains("size") || !disk["size"].is_number_unsigned() || !disk.contains("modifiedNs") ||
            !disk["modifiedNs"].is_number_integer() || !disk.contains("inode") ||
            !disk["inode"].is_number_unsigned()) {
            return std::nullopt;
        }
        info.diskStamp = DiskStamp{disk["size"].get<std::uint64_t>(), disk["modifiedNs"].get<std::int64_t>(),
                                   disk["inode"].get<std::uint64_t>()};
    }
    return info;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

std::optional<DiskStamp> diskStampOf(const std::string& path) {
#ifndef _WIN32
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    return DiskStamp{static_cast<std::uint64_t>(status.st_size),
                     std::int64_t{status.st_mtim.tv_sec} * kNsPerSecond + status.st_mtim.tv_nsec,
                     static_cast<std::uint64_t>(status.st_ino)};
#else
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    const auto modified = std::filesystem::last_write_time(path, ec);
    if (ec) {
        return std::nullopt;
    }
    // The file clock's epoch is the library's own; the stamp holds Unix time.
    const auto unixTime = std::chrono::file_clock::to_sys(modified).time_since_epoch();
    return DiskStamp{size, std::chrono::duration_cast<std::chrono::nanoseconds>(unixTime).count(), 0};
#endif
}

std::string defaultRecoveryFolder() {
    std::filesystem::path base;
    if (const char* state = std::getenv("XDG_STATE_HOME");
        state && std::filesystem::path(state).is_absolute()) {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".local" / "state";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return (base / kStateSubfolder).string();
}

RecoveryPaths recoveryPathsFor(const std::string& folder, const std::string& spawnPath) {
    std::array<char, 17> hex{};
    std::snprintf(hex.data(), hex.size(), "%016llx", static_cast<unsigned long long>(pathHash(spawnPath)));
    const std::string stem =
        (std::filesystem::path(folder) / (std::string(hex.data()) + "-" + safeFileName(spawnPath))).string();
    return {stem + kBytesSuffix, stem + kInfoSuffix};
}

std::string recoveryTimeNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifndef _WIN32
    gmtime_r(&now, &utc);
#else
    gmtime_s(&utc, &now);
#endif
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

Status writeRecoveryCopy(const std::string& folder, const RecoveryInfo& info,
                         std::span<const std::uint8_t> bytes) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            return Error{"无法创建恢复副本文件夹：" + folder + " (" + ec.message() + ")"};
        }
        // Unsaved work is the user's alone.
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    }
    const RecoveryPaths paths = recoveryPathsFor(folder, info.spawnPath);
    if (auto written = writeFileAtomically(paths.bytes, bytes); !written) {
        return written;
    }
    const Json json{{"spawnPath", info.spawnPath}, {"time", info.time}, {"disk", stampJson(info.diskStamp)}};
    const std::string text = json.dump(2) + "\n";
    return writeFileAtomically(paths.info,
                               std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

Result<std::optional<RecoveryCopy>> readRecoveryCopy(const std::string& folder,
                                                     const std::string& spawnPath) {
    const RecoveryPaths paths = recoveryPathsFor(folder, spawnPath);
    const bool hasBytes = exists(paths.bytes);
    const bool hasInfo = exists(paths.info);
    if (!hasBytes && !hasInfo) {
        return std::optional<RecoveryCopy>{};
    }
    if (!hasInfo) {
        return Error{unreadable(paths.bytes, "JSON missing")};
    }
    auto infoText = readWholeFile(paths.info);
    if (!infoText) {
        return Error{infoText.error().message};
    }
    auto info = parseInfo(infoText.value());
    if (!info) {
        return Error{unreadable(paths.info, "JSON invalid")};
    }
    if (info->spawnPath != spawnPath) {
        return Error{unreadable(paths.info, "for " + info->spawnPath)};
    }
    if (!hasBytes) {
        return Error{unreadable(paths.bytes, "missing")};
    }
    auto bytes = readWholeFile(paths.bytes);
    if (!bytes) {
        return Error{bytes.error().message};
    }
    return std::optional<RecoveryCopy>{RecoveryCopy{std::move(*info), std::move(bytes).value()}};
}

Status removeRecoveryCopy(const std::string& folder, const std::string& spawnPath) {
    const RecoveryPaths paths = recoveryPathsFor(folder, spawnPath);
    std::error_code ec;
    // The JSON goes first: bytes left without it are reported, never offered.
    for (const std::string& path : {paths.info, paths.bytes}) {
        std::filesystem::remove(path, ec);
        if (ec) {
            return Error{"无法删除恢复副本：" + path + " (" + ec.message() + ")"};
        }
    }
    return Done{};
}

} // namespace spawn
