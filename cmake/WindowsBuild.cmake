# The Windows programs, cross-built with mingw-w64 in a build tree of their own (build/windows):
# spawn-tool.exe, the Win32 window spawn-editor.exe, and the test programs that this build's ctest
# runs under Wine (GoogleTest tests, the stand-in game client, the window driver). Without mingw-w64
# or Wine nothing is built and the tests that need them say so when they skip.
find_program(SPAWN_WINE_PROGRAM wine)
find_program(SPAWN_WINESERVER_PROGRAM wineserver)
find_program(SPAWN_WINEBOOT_PROGRAM wineboot)
find_program(SPAWN_MINGW_CXX x86_64-w64-mingw32-g++-posix)

if(NOT (SPAWN_WINE_PROGRAM AND SPAWN_WINESERVER_PROGRAM AND SPAWN_WINEBOOT_PROGRAM AND SPAWN_MINGW_CXX))
  return()
endif()

include(ExternalProject)
set(SPAWN_WINDOWS_BUILD_DIR ${CMAKE_BINARY_DIR}/windows)
set(SPAWN_WINDOWS_TOOL_EXE ${SPAWN_WINDOWS_BUILD_DIR}/src/cli/spawn-tool.exe)
set(SPAWN_WINDOWS_EDITOR_EXE ${SPAWN_WINDOWS_BUILD_DIR}/src/win32/spawn-editor.exe)
set(SPAWN_WINE_STAND_IN_EXE ${SPAWN_WINDOWS_BUILD_DIR}/tests/client/wine/wine-stand-in-client.exe)
set(SPAWN_WINDOW_DRIVER_EXE ${SPAWN_WINDOWS_BUILD_DIR}/tests/win32/window-driver.exe)
# Each GoogleTest program of the Windows build, run under Wine as one ctest test (tests/win32).
set(SPAWN_WINDOWS_TEST_EXES ${SPAWN_WINDOWS_BUILD_DIR}/tests/data/spawn_data_tests.exe
                            ${SPAWN_WINDOWS_BUILD_DIR}/tests/map/spawn_map_tests.exe
                            ${SPAWN_WINDOWS_BUILD_DIR}/tests/editing/spawn_editing_tests.exe)
# One Wine prefix for every test that runs a Windows program; those tests take the resource lock
# spawn_wine_prefix, as one of them may stop the prefix's Wine server for a display of its own.
set(SPAWN_WINE_PREFIX ${CMAKE_BINARY_DIR}/tests/client/wineprefix)

ExternalProject_Add(spawn_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${SPAWN_WINDOWS_BUILD_DIR}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s # stripped, as the package's zip ships it
    -DSPAWN_WINDOWS_TESTS=ON
    -DSPAWN_WERROR=${SPAWN_WERROR}
    -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${SPAWN_WINDOWS_TOOL_EXE} ${SPAWN_WINDOWS_EDITOR_EXE} ${SPAWN_WINE_STAND_IN_EXE}
                   ${SPAWN_WINDOW_DRIVER_EXE} ${SPAWN_WINDOWS_TEST_EXES})
# The package target zips spawn-tool.exe.
set_property(GLOBAL PROPERTY SPAWN_WINDOWS_TOOL_EXE ${SPAWN_WINDOWS_TOOL_EXE})
set_property(GLOBAL PROPERTY SPAWN_WINDOWS_EDITOR_EXE ${SPAWN_WINDOWS_EDITOR_EXE})
