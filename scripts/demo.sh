#!/bin/sh
# Builds Tessivo and shows what it can do so far on a sample of its own.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh
./build/tessivo --version
./build/tessivo --help
