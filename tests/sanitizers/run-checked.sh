#!/usr/bin/env bash
# Runs one test of the sanitizer build (TESSARO_SANITIZE) and fails it when any process it started
# (the program under Xvfb, the helpers) wrote a sanitizer report, even one the test did not wait for
# or whose exit status it ignored. Every instrumented process writes its ASan and LeakSanitizer
# reports to a scratch folder (log_path) instead of standard error; they are printed here.
#   run-checked.sh <test executable> [arguments...]
set -uo pipefail

reports=$(mktemp -d "${TMPDIR:-/tmp}/tessaro-sanitizer.XXXXXX")
trap 'rm -rf "$reports"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:log_path=$reports/asan"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-}:log_path=$reports/asan"

# UBSan in a GCC build ignores log_path and reports on standard error: the output is kept and searched
# too (the end-to-end harness passes on the reports of the programs it started, see XvfbSession::Stop).
"$@" 2>&1 | tee "$reports/output"
status=${PIPESTATUS[0]}
ubsan=$(grep -c "runtime error:" "$reports/output")
rm -f "$reports/output"

shopt -s nullglob
logs=("$reports"/*)
if [ ${#logs[@]} -gt 0 ]; then
    for log in "${logs[@]}"; do
        echo "---- sanitizer report: $(basename "$log") ----" >&2
        cat "$log" >&2
    done
    echo "FAIL: ${#logs[@]} sanitizer report(s) from $(basename "$1") or a process it started" >&2
    [ "$status" -eq 0 ] && status=1
fi
if [ "$ubsan" -gt 0 ]; then
    echo "FAIL: $ubsan undefined behaviour report(s) (UBSan) from $(basename "$1") or a process it started" >&2
    [ "$status" -eq 0 ] && status=1
fi
exit "$status"
