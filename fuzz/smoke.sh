#!/bin/sh
# A short fuzzing run: smoke.sh FUZZER [SECONDS [TIMEOUT RSS_MB]].
# Seeds the corpus with the gallery and the saved regression inputs, runs libFuzzer for the
# given time and fails on any crash, hang, leak or sanitizer report. A failing input is kept
# next to the fuzzer binary (crash-*, timeout-*, leak-*, oom-*) for tests/fuzz-regressions/.
#
# TIMEOUT is the most one input may take (s) and RSS_MB the most memory the process may hold.
# The defaults suit fuzz_lsys, whose own budgets keep runs in milliseconds. fuzz_lsys_defaults
# draws with the description's limits, whose budget is about a second: it is run with a timeout
# of a few budgets and a few hundred MB, so a message flood or a slow description is a finding.
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 FUZZER [SECONDS [TIMEOUT RSS_MB]]" >&2
    exit 2
fi
bin=$1
seconds=${2:-30}
timeout=${3:-10}
rss=${4:-2048}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(cd "$(dirname "$bin")" && pwd)
# fuzz_NAME and fuzz_NAME_defaults use fuzz/NAME.dict.
dict=$(basename "$bin" | sed -e "s/^fuzz_//" -e "s/_defaults$//")

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT INT TERM
for f in "$root"/examples/*.ls "$root"/tests/fuzz-regressions/*; do
    [ -f "$f" ] && cp "$f" "$corpus/"
done

# stdout is silenced by the target itself.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
"$bin" -max_total_time="$seconds" -max_len=4096 -timeout="$timeout" -rss_limit_mb="$rss" \
    -dict="$root/fuzz/$dict.dict" -artifact_prefix="$out/" -print_final_stats=1 \
    "$corpus"
echo "fuzz smoke: $(basename "$bin"): nothing found in $seconds s"
