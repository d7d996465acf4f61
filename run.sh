#!/usr/bin/env bash
# Installs what is missing, builds, and opens the editor on the demo world.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build -j"$(nproc)" --target spawn-editor spawn-tool
# The demo world is written once; later runs open it with the edits saved into it.
if [ ! -e demo/mobset.data ] && [ ! -e demo/elements.data ]; then
  ./build/src/cli/spawn-tool demo demo >/dev/null
fi
cd demo
exec ../build/src/app/spawn-editor "$@"
