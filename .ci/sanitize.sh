#!/usr/bin/env bash
# CI: the whole test suite built with clang under AddressSanitizer (with
# LeakSanitizer) and UndefinedBehaviorSanitizer. The end-to-end tests run the
# instrumented program too. Any report fails the run: the sanitizers abort,
# and a test that sees the program abort fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test clang

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCODETWIN_WERROR=ON -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers"
cmake --build build-asan -j2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2
