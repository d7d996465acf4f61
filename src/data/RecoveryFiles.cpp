#include "RecoveryFiles.h"

#include "FileIo.h"
#include "FilePath.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <utility>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace spawn {

namespace {

using Json = nlohmann::json;

constexpr const char* kStateSubfolder = "spawn-editor/recovery";
constexpr const char* kBytesSuffix = ".data";
constexpr const char* kInfoSuffix = ".json";
constexpr const char* kOpenSuffix = ".open";
constexpr char kOwnerMark = '@'; // never in a safe file name, so an older version's names cannot hold it

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
    std::string name = utf8Of(filePath(spawnPath).filename());
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
    return std::filesystem::exists(filePath(path), ec);
}

// "<hash>-<name>": how every file kept for `spawnPath` begins.
std::string namePrefix(const std::string& spawnPath) {
    std::array<char, 17> hex{};
    std::snprintf(hex.data(), hex.size(), "%016llx", static_cast<unsigned long long>(pathHash(spawnPath)));
    return std::string(hex.data()) + "-" + safeFileName(spawnPath);
}

std::string ownerPart(const std::optional<RecoveryOwner>& owner) {
    if (!owner) {
        return {};
    }
    return kOwnerMark + std::to_string(owner->process.pid) + "-" + std::to_string(owner->process.started) +
           "-" + std::to_string(owner->window);
}

template <class Number> bool readNumber(std::string_view& text, Number& value) {
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec != std::errc{} || parsed.ptr == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(parsed.ptr - text.data()));
    return true;
}

// What ownerPart wrote: nothing for an older version's copy, an owner, or no name of ours at all.
struct ParsedOwner {
    bool ours = false;
    std::optional<RecoveryOwner> owner;
};
ParsedOwner parseOwnerPart(std::string_view text) {
    if (text.empty()) {
        return {true, std::nullopt};
    }
    RecoveryOwner owner;
    if (text.front() != kOwnerMark) {
        return {};
    }
    text.remove_prefix(1);
    const auto dash = [&text] {
        if (text.empty() || text.front() != '-') {
            return false;
        }
        text.remove_prefix(1);
        return true;
    };
    if (text.starts_with('-') || !readNumber(text, owner.process.pid) || !dash() ||
        !readNumber(text, owner.process.started) || !dash() || !readNumber(text, owner.window) ||
        !text.empty()) {
        return {};
    }
    return {true, owner};
}

// The files in `folder` kept for `spawnPath` that end in `suffix`: each name's owner part.
std::vector<std::pair<std::filesystem::path, std::optional<RecoveryOwner>>>
filesKeptFor(const std::string& folder, const std::string& spawnPath, std::string_view suffix) {
    std::vector<std::pair<std::filesystem::path, std::optional<RecoveryOwner>>> found;
    const std::string prefix = namePrefix(spawnPath);
    std::error_code ec;
    for (std::filesystem::directory_iterator it(filePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = utf8Of(it->path().filename());
        if (name.size() < prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix)) {
            continue;
        }
        const auto parsed = parseOwnerPart(
            std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
        if (parsed.ours) {
            found.emplace_back(it->path(), parsed.owner);
        }
    }
    return found;
}

Status makeFolder(const std::string& folder) {
    const std::filesystem::path native = filePath(folder);
    std::error_code ec;
    if (!std::filesystem::is_directory(native, ec)) {
        std::filesystem::create_directories(native, ec);
        if (ec) {
            return Error{"无法创建恢复副本文件夹：" + folder + " (" + ec.message() + ")"};
        }
        // Unsaved work is the user's alone.
        std::filesystem::permissions(native, std::filesystem::perms::owner_all, ec);
    }
    return Done{};
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The environment variable `name` as a path; nothing when it is not set. On Windows read in its
// wide form, so that a folder whose name the ANSI code page cannot spell still comes through whole.
std::optional<std::filesystem::path> environmentPath(const char* name) {
#ifdef _WIN32
    const wchar_t* value = ::_wgetenv(filePath(name).c_str());
#else
    const char* value = std::getenv(name);
#endif
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::string markerPath(const std::string& folder, const std::string& spawnPath, const RecoveryOwner& owner) {
    return utf8Of(filePath(folder) / filePath(namePrefix(spawnPath) + ownerPart(owner) + kOpenSuffix));
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
    const std::filesystem::path native = filePath(path);
    std::error_code ec;
    const auto size = std::filesystem::file_size(native, ec);
    if (ec) {
        return std::nullopt;
    }
    const auto modified = std::filesystem::last_write_time(native, ec);
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
#ifdef _WIN32
    // %LOCALAPPDATA%\spawn-editor\recovery: the user's own, not roaming with the profile.
    if (const auto local = environmentPath("LOCALAPPDATA"); local && local->is_absolute()) {
        return utf8Of(*local / "spawn-editor" / "recovery");
    }
#endif
    if (const auto state = environmentPath("XDG_STATE_HOME"); state && state->is_absolute()) {
        base = *state;
    } else if (const auto home = environmentPath("HOME"); home && !home->empty()) {
        base = *home / ".local" / "state";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return utf8Of(base / filePath(kStateSubfolder));
}

RecoveryOwner newRecoveryOwner() {
    static std::atomic<std::uint64_t> windows{0};
    return {thisProcess(), ++windows};
}

RecoveryPaths recoveryPathsFor(const std::string& folder, const std::string& spawnPath,
                               const std::optional<RecoveryOwner>& owner) {
    const std::string stem = utf8Of(filePath(folder) / filePath(namePrefix(spawnPath) + ownerPart(owner)));
    return {stem + kBytesSuffix, stem + kInfoSuffix, owner};
}

std::string recoveryTimeNow() {
    return recoveryTimeOf(std::chrono::system_clock::now());
}

std::string recoveryTimeOf(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifndef _WIN32
    gmtime_r(&t, &utc);
#else
    gmtime_s(&utc, &t);
#endif
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text.data();
}

std::string localRecoveryTimeText(const std::string& time) {
    std::tm utc{};
    char zone = 0;
    char rest = 0;
    // Exactly the form recoveryTimeOf writes.
    if (time.size() != 20 ||
        std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%c", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &zone, &rest) != 7 ||
        zone != 'Z') {
        return time;
    }
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
#ifndef _WIN32
    const std::time_t t = timegm(&utc);
#else
    const std::time_t t = _mkgmtime(&utc);
#endif
    if (t == static_cast<std::time_t>(-1)) {
        return time;
    }
    std::tm local{};
#ifndef _WIN32
    localtime_r(&t, &local);
#else
    localtime_s(&local, &t);
#endif
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
    return text.data();
}

Status writeRecoveryCopy(const std::string& folder, const RecoveryPaths& paths, const RecoveryInfo& info,
                         std::span<const std::uint8_t> bytes) {
    if (auto made = makeFolder(folder); !made) {
        return made;
    }
    if (auto written = writeFileAtomically(paths.bytes, bytes); !written) {
        return written;
    }
    const Json json{{"spawnPath", info.spawnPath}, {"time", info.time}, {"disk", stampJson(info.diskStamp)}};
    return writeFileAtomically(paths.info, bytesOf(json.dump(2) + "\n"));
}

Result<std::optional<RecoveryCopy>> readRecoveryCopy(const RecoveryPaths& paths,
                                                     const std::string& spawnPath) {
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

Status removeRecoveryCopy(const RecoveryPaths& paths) {
    std::error_code ec;
    // The JSON goes first: bytes left without it are reported, never offered.
    for (const std::string& path : {paths.info, paths.bytes}) {
        std::filesystem::remove(filePath(path), ec);
        if (ec) {
            return Error{"无法删除恢复副本：" + path + " (" + ec.message() + ")"};
        }
    }
    return Done{};
}

std::vector<RecoveryPaths> recoveryCopiesOfEndedWindows(const std::string& folder,
                                                        const std::string& spawnPath,
                                                        const ProcessCheck& runs) {
    struct Found {
        RecoveryPaths paths;
        std::int64_t writtenNs = 0;
    };
    std::vector<Found> copies;
    for (const char* suffix : {kInfoSuffix, kBytesSuffix}) {
        for (const auto& [path, owner] : filesKeptFor(folder, spawnPath, suffix)) {
            if (owner && runs(owner->process)) {
                continue;
            }
            const RecoveryPaths paths = recoveryPathsFor(folder, spawnPath, owner);
            if (std::ranges::any_of(copies,
                                    [&](const Found& seen) { return seen.paths.info == paths.info; })) {
                continue; // its JSON came first
            }
            const auto stamp = diskStampOf(utf8Of(path));
            copies.push_back({paths, stamp ? stamp->modifiedNs : 0});
        }
    }
    std::ranges::sort(copies, [](const Found& a, const Found& b) {
        return a.writtenNs != b.writtenNs ? a.writtenNs > b.writtenNs : a.paths.info < b.paths.info;
    });
    std::vector<RecoveryPaths> newestFirst;
    for (Found& copy : copies) {
        newestFirst.push_back(std::move(copy.paths));
    }
    return newestFirst;
}

Status markFileOpen(const std::string& folder, const std::string& spawnPath, const RecoveryOwner& owner) {
    if (auto made = makeFolder(folder); !made) {
        return made;
    }
    // The marker holds the full path, which its hashed name cannot be told back from.
    return writeFileAtomically(markerPath(folder, spawnPath, owner), bytesOf(spawnPath));
}

Status unmarkFileOpen(const std::string& folder, const std::string& spawnPath, const RecoveryOwner& owner) {
    const std::string path = markerPath(folder, spawnPath, owner);
    std::error_code ec;
    std::filesystem::remove(filePath(path), ec);
    if (ec) {
        return Error{"无法删除：" + path + " (" + ec.message() + ")"};
    }
    return Done{};
}

bool fileOpenInAnotherWindow(const std::string& folder, const std::string& spawnPath,
                             const RecoveryOwner& self, const ProcessCheck& runs) {
    bool found = false;
    for (const auto& [path, owner] : filesKeptFor(folder, spawnPath, kOpenSuffix)) {
        if (!owner || *owner == self) {
            continue;
        }
        if (!runs(owner->process)) {
            std::error_code ec;
            std::filesystem::remove(path, ec); // a window that ended without taking its marker away
            continue;
        }
        const auto text = readWholeFile(utf8Of(path));
        found = found || (text && std::string(text.value().begin(), text.value().end()) == spawnPath);
    }
    return found;
}

} // namespace spawn
