// A Linux program in the game client's place, for the tests: a top-level X11 window with the
// title, the process ID property a window manager would find, and the position chain mapped at
// the fixed low addresses of profile 0.
//
//   native-stand-in-client [--title TEXT] [--not-dumpable] [--chain-into-unmapped-memory]
//
// Prints "ready" once the window and the chain are in place. Each line "X Y Z" on standard input
// moves the player there and is answered with "moved". Ends when standard input ends.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::uintptr_t kPageSize = 0x1000;
constexpr std::uintptr_t kBasePage = 0x927000;            // holds base + 0x1C of profile 0
constexpr std::uintptr_t kFirstPointerAddress = 0x92764C; // 0x927630 + 0x1C
constexpr std::uint32_t kFirstObject = 0x10A00100;        // P1
constexpr std::uint32_t kPlayer = 0x20B00200;             // P2
constexpr std::uint32_t kNowhere = 0x30C00000;            // never mapped
constexpr std::uint32_t kSecondPointerOffset = 0x20;
constexpr std::uint32_t kWorldXOffset = 0x3C;

bool mapPageAt(std::uintptr_t address) {
    void* wanted = reinterpret_cast<void*>(address);
    void* page = mmap(wanted, kPageSize, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    return page == wanted;
}

void store(std::uintptr_t address, std::uint32_t value) {
    std::memcpy(reinterpret_cast<void*>(address), &value, sizeof value);
}

void setPlayer(float x, float y, float z) {
    const float values[] = {x, y, z};
    for (std::uint32_t i = 0; i < 3; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &values[i], sizeof bits);
        store(kPlayer + kWorldXOffset + i * sizeof bits, bits);
    }
}

void setTitle(Display* display, Window window, const std::string& title) {
    const auto* text = reinterpret_cast<const unsigned char*>(title.data());
    const int length = static_cast<int>(title.size());
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace, text, length);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace, text, length);
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

int fail(const char* what) {
    std::fprintf(stderr, "native stand-in: %s\n", what);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string title = "Element Client";
    bool dumpable = true;
    bool broken = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (arg == "--not-dumpable") {
            dumpable = false;
        } else if (arg == "--chain-into-unmapped-memory") {
            broken = true;
        } else {
            return fail("unknown argument");
        }
    }
    // Under Yama's ptrace_scope 1 only ancestors may read a process; the tests read this one from
    // a sibling (spawn-tool) as well. Without Yama this fails harmlessly.
    prctl(PR_SET_PTRACER, PR_SET_PTRACER_ANY, 0, 0, 0);
    if (!dumpable) {
        prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    }

    if (!mapPageAt(kBasePage) || !mapPageAt(kFirstObject & ~(kPageSize - 1)) ||
        !mapPageAt(kPlayer & ~(kPageSize - 1))) {
        return fail("the chain's pages are taken");
    }
    store(kFirstPointerAddress, broken ? kNowhere : kFirstObject);
    store(kFirstObject + kSecondPointerOffset, kPlayer);
    setPlayer(1234.5f, 20.25f, -1234.5f);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return fail("no display");
    }
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0);
    setTitle(display, window, title);
    XMapWindow(display, window);
    XSync(display, False);

    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::puts("ready");
    char line[256];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        float x = 0;
        float y = 0;
        float z = 0;
        if (std::sscanf(line, "%f %f %f", &x, &y, &z) == 3) {
            setPlayer(x, y, z);
            std::puts("moved");
        }
    }
    XCloseDisplay(display);
    return 0;
}
