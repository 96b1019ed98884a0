#!/bin/sh
# Builds the runtime and runs every test: unit tests and script tests.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
