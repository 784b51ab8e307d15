#!/usr/bin/env bash
# Adds up the test cases that the emulated suite ran: each test program's processes leave
# GoogleTest's report in BUILD/test-results/.
#
#   tools/test-count.sh build/mingw
set -euo pipefail
results=${1:?usage: test-count.sh BUILD_DIR}/test-results
shopt -s nullglob
reports=("$results"/*.xml)
if [ ${#reports[@]} -eq 0 ]; then
    echo "test-count: no reports in $results" >&2
    exit 1
fi
total=0 failed=0 skipped=0
for report in "${reports[@]}"; do
    line=$(grep -m1 '<testsuites ' "$report")
    attribute() {
        local value
        value=$(sed -n "s/.* $1=\"\\([0-9]*\\)\".*/\\1/p" <<<"$line")
        echo "${value:-0}"
    }
    total=$((total + $(attribute tests)))
    failed=$((failed + $(attribute failures) + $(attribute errors)))
    skipped=$((skipped + $(grep -c '<skipped' "$report" || true)))
done
echo "test-count: ${#reports[@]} test processes ran $total test cases"
echo "$((total - failed - skipped)) passed, $failed failed, $skipped skipped"
