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
# A number of the report's first element, <testsuites ...>; 0 when it has none.
attribute() { # report, name
    local value
    value=$(grep -m1 '<testsuites ' "$1" | sed -n "s/.* $2=\"\\([0-9]*\\)\".*/\\1/p")
    echo "${value:-0}"
}
total=0 failed=0 skipped=0
for report in "${reports[@]}"; do
    total=$((total + $(attribute "$report" tests)))
    failed=$((failed + $(attribute "$report" failures) + $(attribute "$report" errors)))
    skipped=$((skipped + $(grep -c '<skipped' "$report" || true)))
done
echo "test-count: ${#reports[@]} test processes ran $total test cases"
echo "$((total - failed - skipped)) passed, $failed failed, $skipped skipped"
