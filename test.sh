#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors, runs every test, then builds
# everything under AddressSanitizer and UndefinedBehaviorSanitizer and runs every test again.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
jobs="$(nproc)"

# Line tables only (-g1): backtraces keep their lines and the build is quicker than with full debug
# information; run.sh configures the same way, so the two share one build.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DSPAWN_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

# Every test runs under the sanitizers too, the window, map and editing tests offscreen, with line
# tables only for the sanitizers' reports (quicker to build than full debug information). The
# Windows executables, which the sanitizers cannot reach, are cross-built and run by the first build,
# which also makes and tests the package.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSPAWN_WERROR=ON -DSPAWN_DATA_ONLY=OFF -DSPAWN_BUILD_BENCH=OFF \
  -DSPAWN_WINDOWS_TOOL=OFF -DSPAWN_PACKAGE=OFF -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs")
