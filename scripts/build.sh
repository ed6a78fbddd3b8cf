#!/bin/sh
# Configures and builds Tessivo into build/ (installing missing packages first).
set -eu
cd "$(dirname "$0")/.."
sh scripts/deps.sh
cmake -S . -B build -G Ninja -DTESSIVO_BUILD_GUI="${TESSIVO_BUILD_GUI:-ON}" >/dev/null
cmake --build build
