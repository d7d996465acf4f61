#pragma once

// The player's position, read from a running game client through its process memory. The chain
// of reads is the same on every platform; only finding the client and reading its memory differ
// (linux/ and windows/, one of them chosen at build time). Standard library only, so the window
// and spawn-tool share it.

#include "Result.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <variant>

namespace spawn {

namespace ClientLayout {

// The client is found by the exact title of its top-level window.
inline constexpr std::string_view kWindowTitle = "Element Client";

// The position chain, from a profile's base address. Every value is a little-endian 32-bit
// quantity; addresses are those of the client's 32-bit address space.
inline constexpr std::uint32_t kFirstPointerOffset = 0x1C;  // base -> P1
inline constexpr std::uint32_t kSecondPointerOffset = 0x20; // P1 -> P2
inline constexpr std::uint32_t kWorldXOffset = 0x3C;        // P2 -> world X, float32
inline constexpr std::uint32_t kWorldYOffset = 0x40;        // P2 -> world Y (height), float32
inline constexpr std::uint32_t kWorldZOffset = 0x44;        // P2 -> world Z, float32
inline constexpr std::size_t kValueSize = 4;

} // namespace ClientLayout

// A client build whose memory layout the reader assumes, as offered in list 1022.
struct ClientProfile {
    std::string_view listText;
    std::uint32_t baseAddress;
};

inline constexpr std::array kClientProfiles = {
    ClientProfile{"官服 105", 0x927630}, // official-server client, version 105
};

inline constexpr std::string_view kClientNotFoundMessage = "无法找到Qelmara进程!";
inline constexpr std::string_view kClientNotReadableMessage = "无法读取进程!";

// How long finding the client may take: a display server that does not answer in time, or whose
// connection breaks, counts as no client window.
inline constexpr std::chrono::seconds kClientLookupTimeout{2};

// An opened client process. Destroying it closes it.
class ClientProcess {
public:
    virtual ~ClientProcess() = default;

    // Fills `bytes` from the client's memory at `address`; false when any of them cannot be read.
    virtual bool read(std::uint32_t address, std::span<std::uint8_t> bytes) = 0;
};

enum class ClientOpenFailure {
    NoWindow,  // no top-level window has the title
    NotOpened, // the window's process is unknown, or we lack the rights to read it
};

using ClientOpenResult = std::variant<std::unique_ptr<ClientProcess>, ClientOpenFailure>;

// Finds a client by its window title and opens its process.
class ClientConnector {
public:
    virtual ~ClientConnector() = default;

    // The process of the first top-level window whose title is exactly `windowTitle`. Returns
    // within kClientLookupTimeout and may be called from any thread.
    virtual ClientOpenResult open(std::string_view windowTitle) = 0;
};

// This platform's connector: X11 and /proc on Linux, the Win32 process calls on Windows.
std::unique_ptr<ClientConnector> makeClientConnector();

struct ClientPosition {
    float x = 0.0f; // world X
    float y = 0.0f; // world Y, the height
    float z = 0.0f; // world Z

    bool operator==(const ClientPosition&) const = default;
};

// Finds the client, opens it, follows the chain from the profile's base address and closes it
// again. Fails with kClientNotFoundMessage when there is no client window, and with
// kClientNotReadableMessage when its process cannot be opened or any of the five reads fails
// (another client build, or memory that is not mapped). Nothing is kept between two calls.
// Precondition: profileIndex < kClientProfiles.size().
Result<ClientPosition> readClientPosition(ClientConnector& connector, std::size_t profileIndex);

} // namespace spawn
