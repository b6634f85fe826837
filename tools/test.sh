#!/bin/sh
# Sets up, builds and runs every test (headless; the window tests under Xvfb).
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
cd build
ctest --output-on-failure -j2 "$@"
