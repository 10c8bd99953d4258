#!/bin/sh
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# into a second build folder and runs every test there, leak checks included.
# Exit 0 when every test passed without a report. SANITIZE_BUILD_DIR sets the folder.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${SANITIZE_BUILD_DIR:-$root/build-asan}
jobs=$(nproc)

# clang builds this code faster than g++; either catches the same faults.
compiler=g++
command -v clang++ >/dev/null 2>&1 && compiler=clang++
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined"

# Unoptimised: the suite runs in seconds either way, and the build is a quarter faster.
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_CXX_COMPILER="$compiler" \
    -DCMAKE_CXX_FLAGS="-O0 -g1 -fno-omit-frame-pointer $sanitizers" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >"$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
echo "sanitize: building into $build"
cmake --build "$build" -j"$jobs"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure -j"$jobs"
