#include "SpawnTool.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

namespace {

// The arguments as UTF-8 text. On Windows they are read in their wide form: the narrow argv would
// hold them in the ANSI code page, where a Chinese file name does not survive.
std::vector<std::string> argumentsOf(int argc, char** argv) {
#ifdef _WIN32
    static_cast<void>(argc);
    static_cast<void>(argv);
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i) {
        const int length = lstrlenW(wide[i]);
        std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide[i], length, nullptr, 0,
                                                                      nullptr, nullptr)),
                         '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], length, text.data(), static_cast<int>(text.size()), nullptr,
                            nullptr);
        args.push_back(std::move(text));
    }
    LocalFree(wide);
    return args;
#else
    return {argv + 1, argv + argc};
#endif
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // The same bytes on every platform: UTF-8 text with "\n" line ends, never "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    return spawn::tool::printToolOutput(spawn::tool::runSpawnTool(argumentsOf(argc, argv)), stdout, stderr);
}
