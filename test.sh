#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             the normal build in build/
#   ./test.sh --sanitize  AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer in build-asan/
#   ./test.sh --thread    ThreadSanitizer in build-tsan/
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

build=build
config=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
suppressions="$PWD/tests/sanitizers"
case "${1:-}" in
  --sanitize)
    build=build-asan
    config=(-DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$suppressions/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --thread)
    build=build-tsan
    config=(-DCMAKE_BUILD_TYPE=Debug -DORVANE_TSAN=ON)
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$suppressions/tsan.supp
    ;;
  "") ;;
  *) echo "usage: $0 [--sanitize|--thread]" >&2; exit 2 ;;
esac

cmake -S . -B "$build" -G Ninja "${config[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j 2
