#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for a few seconds.
# Exit 0 when no input crashed them; non-zero on a crash or a build failure.
# FUZZ_SECONDS (default 5) sets the time per target, FUZZ_BUILD_DIR the build folder.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-5}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz: clang++ not found, fuzz targets skipped"
    exit 0
fi

mkdir -p "$build"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >"$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j8 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }

status=0
for target in description reflist script ini intelhex hive frame envelope routefile; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus" "$build/artifacts"
    cp "$root/fuzz/corpus/$target/"* "$corpus/"
    echo "fuzz: $target for ${seconds}s"
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$corpus" >"$build/$target.log" 2>&1; then
        tail -n 60 "$build/$target.log"
        echo "fuzz: $target FAILED, input kept under $build/artifacts/"
        status=1
    else
        grep -E "^stat::number_of_executed_units|^Done" "$build/$target.log" || true
    fi
done
exit $status
