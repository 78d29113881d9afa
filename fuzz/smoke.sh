#!/bin/sh
# A short fuzzing run: smoke.sh FUZZER SECONDS.
# Seeds the corpus with the gallery and the saved regression inputs, runs libFuzzer for the
# given time and fails on any crash, hang, leak or sanitizer report. A failing input is kept
# next to the fuzzer binary (crash-*, timeout-*, leak-*) for tests/fuzz-regressions/.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 FUZZER [SECONDS]" >&2
    exit 2
fi
bin=$1
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "$(dirname "$bin")" && pwd)

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT INT TERM
for f in "$root"/examples/*.ls "$root"/tests/fuzz-regressions/*; do
    [ -f "$f" ] && cp "$f" "$corpus/"
done

# -timeout: one input may take at most 10 s (the fuzzer's own limits keep runs in milliseconds),
# so anything slower is reported as a hang. stdout is silenced by the target itself.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
"$bin" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/fuzz/$(basename "$bin" | sed "s/^fuzz_//").dict" -artifact_prefix="$out/" -print_final_stats=1 \
    "$corpus"
echo "fuzz smoke: no crash in $seconds s"
