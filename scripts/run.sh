#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds the app and starts it (with the
# stand-in site on 127.0.0.1 unless real hosts are configured: see
# scripts/start-app.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/app -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW_BUILD_TESTS=OFF
cmake --build build/app -j "$(nproc)"
if [ -x build/app/bin/pagewell ]; then
  exec bash scripts/start-app.sh build/app/bin "$@"
else
  echo "The libraries are built; the app itself (build/app/bin/pagewell) is not part of this build yet."
fi
