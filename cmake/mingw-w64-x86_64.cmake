# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# builds spawn-tool.exe and spawn-editor.exe. Executables are linked statically, so they need no
# DLL of the compiler (nor the posix variant's winpthread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_spawn_mingw x86_64-w64-mingw32)
# The posix thread model: the win32 variant's C++ library has no std::thread, std::mutex or
# std::condition_variable (GoogleTest needs them too).
set(CMAKE_C_COMPILER ${_spawn_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_spawn_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_spawn_mingw}-windres)

# Libraries and headers come from the Windows sysroot only; programs (the host's tools) from the
# host.
set(CMAKE_FIND_ROOT_PATH /usr/${_spawn_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
