#!/usr/bin/env bash
# Sets up the machine, builds the program and starts it (with an optional document path).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j"$(nproc)" --target quillstorm
exec build/quillstorm/quillstorm "$@"
