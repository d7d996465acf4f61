#include "SpawnTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const auto result = spawn::tool::runSpawnTool(args);
    std::cout << result.out << std::flush;
    std::cerr << result.err << std::flush;
    return result.exitCode;
}
