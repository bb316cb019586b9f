#!/usr/bin/env bash
# Measures the start of orvane-cli's light verbs (slot, beacons, sun) side by
# side with the start of a plain Qt Core program (qtpaths6 --version) in one
# hyperfine run, so that both see the same machine. Prints each command's
# mean, median and best wall time and its CPU time (user + system), the
# number of shared libraries it opens, and its ratio to qtpaths6. The goal:
# each light verb at most 15 ms and at most 1.6 times qtpaths6.
#
# With --before OTHER_CLI an older orvane-cli (another build) is measured in
# the same run, for a before/after figure.
#
# Usage: tools/measure-cli-start.sh [BUILD_DIR] [--runs N] [--before OTHER_CLI]
# Needs hyperfine (tools/install-deps.sh --dev).
set -euo pipefail

build=build
runs=40
before=""
while (($#)); do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done
cli=$(readlink -f "$build/src/app/cli/orvane-cli")
[[ -x "$cli" ]] || { echo "build the target orvane-cli first ($cli)" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is missing: tools/install-deps.sh --dev" >&2; exit 2; }
command -v qtpaths6 >/dev/null || { echo "qtpaths6 is missing (qt6-base-dev)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

names=(qtpaths6 slot beacons sun)
commands=("qtpaths6 --version" "$cli slot" "$cli beacons --locator JO22" "$cli sun")
if [[ -n $before ]]; then
  before=$(readlink -f "$before")
  names+=("before:slot" "before:beacons" "before:sun")
  commands+=("$before slot" "$before beacons --locator JO22" "$before sun")
fi

libraries() {
  # shellcheck disable=SC2086
  LD_DEBUG=files $1 2>&1 >/dev/null | grep -o 'file=[^ ]*' | sort -u | wc -l
}

# -N: no shell between hyperfine and the program, so only the program's start is timed.
hyperfine -N --warmup 5 --runs "$runs" --export-json "$work/start.json" "${commands[@]}" >"$work/hyperfine.log" 2>&1 ||
  { cat "$work/hyperfine.log" >&2; exit 1; }

for i in "${!commands[@]}"; do
  echo "${names[$i]}	$(libraries "${commands[$i]}")"
done >"$work/libraries.tsv"

/usr/bin/python3 - "$work/start.json" "$work/libraries.tsv" "${names[@]}" <<'PY'
import json, statistics, sys
results = json.load(open(sys.argv[1]))["results"]
libs = dict(line.rstrip("\n").split("\t") for line in open(sys.argv[2]))
names = sys.argv[3:]
ms = lambda s: s * 1000.0
ref = statistics.median(results[0]["times"])
print(f"{'command':<16}{'mean':>9}{'median':>9}{'best':>9}{'cpu':>9}{'libs':>6}{'x qtpaths6':>12}")
failed = False
for name, r in zip(names, results):
    median = statistics.median(r["times"])
    ratio = median / ref
    cpu = r["user"] + r["system"]
    print(f"{name:<16}{ms(r['mean']):>7.1f}ms{ms(median):>7.1f}ms{ms(min(r['times'])):>7.1f}ms"
          f"{ms(cpu):>7.1f}ms{libs.get(name, '?'):>6}{ratio:>11.2f}x")
    if name in ("slot", "beacons", "sun") and (ms(median) > 15.0 or ratio > 1.6):
        failed = True
print("goal: each light verb <= 15 ms and <= 1.6 x qtpaths6 (median):", "missed" if failed else "met")
sys.exit(1 if failed else 0)
PY
