#!/bin/sh
# Test code against product code, in non-blank, non-comment lines: tests/ (.cpp .h .cmake .py
# .sh) against engine/ io/ export/ view/ app/ cli/ (.cpp .h .cmake and CMakeLists.txt).
# Data files (descriptions, tables, pictures) are not code and are not counted.
cd "$(dirname "$0")/.." || exit 2
count() {
    git ls-files "$@" | grep -E '\.(cpp|h|cmake|py|sh)$|CMakeLists\.txt$' | while read -r f; do
        case "$f" in
        *.cpp | *.h) awk '
            { line = $0 }
            incomment { if (line ~ /\*\//) { incomment = 0; sub(/.*\*\//, "", line) } else next }
            { gsub(/^[ \t]+|[ \t]+$/, "", line) }
            line == "" { next }
            line ~ /^\/\// { next }
            line ~ /^\/\*/ { if (line !~ /\*\//) incomment = 1; next }
            { n++ } END { print n + 0 }' "$f" ;;
        *) awk '{ sub(/^[ \t]+/, "") } $0 == "" || /^#/ { next } { n++ } END { print n + 0 }' "$f" ;;
        esac
    done | awk '{ s += $1 } END { print s + 0 }'
}
tests=$(count tests)
product=$(count engine io export view app cli)
echo "tests $tests / product $product = $(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.3f", t / p }')"
