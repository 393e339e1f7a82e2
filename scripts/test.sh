#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
cd build
ctest --output-on-failure --timeout 1500 -j2
cd ..
# The Debian package, made from the same build: its contents and metadata
# checked, installed on this machine and its programs run.
bash scripts/package.sh --check
