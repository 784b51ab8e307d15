#!/usr/bin/env bash
# Runs each fuzzer in turn from its seed corpus, the regression inputs and a working corpus
# under the build folder, and fails on any finding (crash, sanitizer report, leak, timeout or
# memory past the limit). Prints the executions and the coverage of each run.
#
#   tools/fuzz.sh SECONDS [TARGET...]   about SECONDS per target (CI: 60)
#   tools/fuzz.sh --runs N [TARGET...]  N executions per target (a campaign)
#
# TARGET is load, convert, thumbnail, jobfile, compressed, dropblock or clipboard; all seven by
# default. The fuzzers come from `cmake --workflow --preset fuzz` (build/fuzz, or
# VESTREL_FUZZ_BUILD). Findings are kept in build/fuzz/findings/TARGET, logs in build/fuzz/logs.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
    sed -n '6,7p' "$0" >&2
    exit 2
fi
if [ "$1" = "--runs" ]; then
    limit=(-runs="$2")
    shift 2
else
    limit=(-max_total_time="$1")
    shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(load convert thumbnail jobfile compressed dropblock clipboard)

build=${VESTREL_FUZZ_BUILD:-build/fuzz}
mkdir -p "$build/logs"
status=0
for target in "${targets[@]}"; do
    bin=$build/bin/fuzz-$target
    if [ ! -x "$bin" ]; then
        echo "fuzz: $bin missing; build it with cmake --workflow --preset fuzz" >&2
        exit 2
    fi
    work=$build/work/$target
    findings=$build/findings/$target
    mkdir -p "$work" "$findings"
    log=$build/logs/$target-$(date +%Y%m%d-%H%M%S).log
    seeds=("fuzz/corpus/$target")
    [ -d fuzz/regressions ] && seeds+=(fuzz/regressions)
    started=$(date +%s)
    # One process, one worker: the machine is shared.
    if "$bin" "${limit[@]}" -rss_limit_mb=512 -timeout=2 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" "${seeds[@]}" >"$log" 2>&1; then
        result=clean
    else
        result=FINDING
        status=1
    fi
    seconds=$(($(date +%s) - started))
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' ||
        true)
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
    # The working corpus keeps only what adds coverage.
    if [ $result = clean ]; then
        rm -rf "$work.merged"
        mkdir -p "$work.merged"
        if "$bin" -merge=1 -rss_limit_mb=512 -timeout=2 "$work.merged" "$work" \
            >>"$log" 2>&1; then
            rm -rf "$work"
            mv "$work.merged" "$work"
        fi
    fi
    printf 'fuzz %-9s %-7s runs %s, %s, %ss, corpus %s files, log %s\n' "$target" "$result" \
        "${runs:-?}" "${coverage:-cov: ?}" "$seconds" "$(ls "$work" | wc -l)" "$log"
    if [ $result != clean ]; then
        grep -E 'ERROR|vestrel-fuzz|SUMMARY|Test unit written' "$log" | head -20 >&2 || true
    fi
done
exit $status
