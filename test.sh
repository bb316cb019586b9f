#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh             the normal build in build/
#   ./test.sh --sanitize  AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer in build-asan/
#   ./test.sh --thread    ThreadSanitizer in build-tsan/
#   ./test.sh --release   a Release build of the programs alone (as users and packagers build), no tests
#   ./test.sh --fuzz      the libFuzzer programs (clang, Address/UB sanitizers) in build-fuzz/, each run
#                         over its seeds and then for a bounded time (tools/run-fuzzers.sh)
set -euo pipefail
cd "$(dirname "$0")"
if [[ "${1:-}" == --fuzz ]]; then
  ./tools/install-deps.sh --fuzz
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build build-fuzz -j "$(nproc)"
  exec ./tools/run-fuzzers.sh build-fuzz
fi
./tools/install-deps.sh

build=build
config=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_WERROR=ON)
suppressions="$PWD/tests/sanitizers"
case "${1:-}" in
  --sanitize)
    build=build-asan
    config=(-DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON -DORVANE_WERROR=ON)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$suppressions/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --thread)
    build=build-tsan
    config=(-DCMAKE_BUILD_TYPE=Debug -DORVANE_TSAN=ON -DORVANE_WERROR=ON)
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$suppressions/tsan.supp
    ;;
  --release)
    build=build-release
    config=(-DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR=ON -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_BENCH=OFF)
    ;;
  "") ;;
  *) echo "usage: $0 [--sanitize|--thread|--release|--fuzz]" >&2; exit 2 ;;
esac

cmake -S . -B "$build" -G Ninja "${config[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
[[ "${1:-}" == --release ]] && exit 0
ctest --test-dir "$build" --output-on-failure --no-tests=error -j 2
