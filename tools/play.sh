#!/bin/sh
# Sets up, builds and starts the game from data/, where it keeps its scores.
set -e
cd "$(dirname "$0")/.."
sh tools/setup.sh
cd data
exec ../build/zelto "$@"
