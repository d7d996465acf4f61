// A Windows program in the game client's place, for the tests: a top-level window titled
// "Element Client" and the position chain at the fixed addresses of profile 0, all of it in the
// program's static data (the build places section .chain at 0x927000 and turns address
// randomisation off).
//
// Prints "ready" once the window is up. Each line "X Y Z" on standard input moves the player
// there and is answered with "moved". Ends when standard input ends.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uintptr_t kChainSectionAddress = 0x927000;
constexpr std::uintptr_t kBaseAddress = 0x927630;
constexpr std::uintptr_t kFirstPointerAddress = kBaseAddress + 0x1C;
constexpr std::size_t kSecondPointerOffset = 0x20;
constexpr std::size_t kWorldXOffset = 0x3C;
constexpr std::size_t kWords = 0x1000 / 4;
constexpr std::size_t kObjectWords = 0x100 / 4;

// The base page, and two objects elsewhere in static data: P1 and P2 of the chain.
__attribute__((section(".chain"), used)) volatile std::uint32_t g_chainPage[kWords] = {1};
volatile std::uint32_t g_firstObject[kObjectWords] = {1};
volatile std::uint32_t g_player[kObjectWords] = {1};

std::uint32_t address32(const volatile void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

volatile std::uint32_t& wordAt(volatile std::uint32_t* object, std::size_t offset) {
    return object[offset / sizeof(std::uint32_t)];
}

void setPlayer(float x, float y, float z) {
    const float values[] = {x, y, z};
    for (std::size_t i = 0; i < 3; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &values[i], sizeof bits);
        wordAt(g_player, kWorldXOffset + i * sizeof bits) = bits;
    }
}

DWORD WINAPI readCommands(void*) {
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        float x = 0;
        float y = 0;
        float z = 0;
        if (std::sscanf(line, "%f %f %f", &x, &y, &z) == 3) {
            setPlayer(x, y, z);
            std::puts("moved");
            std::fflush(stdout);
        }
    }
    ExitProcess(0);
}

} // namespace

int main() {
    if (address32(g_chainPage) != kChainSectionAddress ||
        reinterpret_cast<std::uintptr_t>(g_player) > UINT32_MAX) {
        std::fprintf(stderr, "stand-in: chain not at its fixed address\n");
        return 2;
    }
    wordAt(g_chainPage, kFirstPointerAddress - kChainSectionAddress) = address32(g_firstObject);
    wordAt(g_firstObject, kSecondPointerOffset) = address32(g_player);
    setPlayer(1234.5f, 20.25f, -1234.5f);

    const HWND window = CreateWindowA("STATIC", "Element Client", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                      100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "stand-in: no window\n");
        return 2;
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::puts("ready");
    std::fflush(stdout);

    CreateThread(nullptr, 0, readCommands, nullptr, 0, nullptr);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
