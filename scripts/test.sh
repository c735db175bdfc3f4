#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the ASan+UBSan build, then the
# TSan build of the runtime's tests.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/setup.sh

jobs=$(nproc)
configure() {  # dir, extra cmake arguments...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

echo "== build"
configure build
ninja -C build -j"$jobs"
echo "== tests"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
configure build/asan -DTESSEL_SANITIZE=address -DTESSEL_BUILD_BENCH=OFF
ninja -C build/asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/asan -j"$jobs" --output-on-failure

echo "== runtime tests under ThreadSanitizer"
configure build/tsan -DTESSEL_SANITIZE=thread -DTESSEL_BUILD_BENCH=OFF
ninja -C build/tsan -j"$jobs" test_runtime
ctest --test-dir build/tsan -j"$jobs" --output-on-failure -L runtime
