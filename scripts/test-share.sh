#!/usr/bin/env bash
# Counts the non-blank lines of the program (src/) and of all test code (tests/: unit, end-to-end,
# support, fuzz, reliability and sanitizer checks), prints both and the share, and exits 1 when the
# tests are more than a third of the program.
# Counted: C++ sources and headers, shell and Python scripts, CMake files.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.py' \
        -o -name 'CMakeLists.txt' -o -name '*.cmake' -o -name '*.supp' \) -print0 |
        xargs -0 cat | grep -cv '^[[:space:]]*$'
}

program=$(count src)
tests=$(count tests)
limit=$((program / 3))
echo "src: $program non-blank lines; tests: $tests (limit $limit, a third of src)"
if [ "$tests" -gt "$limit" ]; then
    echo "tests are $((tests * 100 / program))% of src, over the third allowed" >&2
    exit 1
fi
