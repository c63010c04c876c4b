#!/usr/bin/env bash
# Runs one libFuzzer target: first every input kept in fuzz/regressions/TARGET
# (each once), then SECONDS of fuzzing that starts from fuzz/corpus/TARGET. New
# corpus entries go to a temporary folder, never into the committed corpus; a
# crashing input is kept in ARTIFACTS (default: a temporary folder, printed).
# Prints one summary line: runs, coverage, features, corpus size, crashes.
#
# Usage: run_fuzz.sh BUILD_DIR TARGET SECONDS [ARTIFACTS]
# Exit 0 when clean, 1 on a crash, leak, timeout or a replayed regression that
# fails, 2 on bad usage or a missing target.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 3 ]; then
    echo "usage: $0 BUILD_DIR TARGET SECONDS [ARTIFACTS]" >&2
    exit 2
fi
BUILD=$1 TARGET=$2 SECONDS_TO_RUN=$3
BINARY="$BUILD/fuzz/$TARGET"
[ -x "$BINARY" ] || { echo "$TARGET: not built at $BINARY" >&2; exit 2; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
ARTIFACTS=${4:-$WORK/artifacts}
mkdir -p "$ARTIFACTS" "$WORK/corpus"

case "$TARGET" in
    fuzz_audio_load) MAX_LEN=65536 ;;
    *) MAX_LEN=16384 ;;
esac
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# Leaks of third-party libraries only (see the file).
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$ROOT/fuzz/lsan.supp}

REGRESSIONS="$ROOT/fuzz/regressions/$TARGET"
if compgen -G "$REGRESSIONS/*" > /dev/null; then
    if ! "$BINARY" "$REGRESSIONS"/* > "$WORK/replay.log" 2>&1; then
        echo "$TARGET: a kept regression input fails again:"
        tail -n 40 "$WORK/replay.log"
        exit 1
    fi
    echo "$TARGET: $(ls "$REGRESSIONS" | wc -l) regression inputs replayed clean"
fi

STARTED=$(date +%s)
"$BINARY" "$WORK/corpus" "$ROOT/fuzz/corpus/$TARGET" -max_total_time="$SECONDS_TO_RUN" -timeout=20 \
    -rss_limit_mb=2560 -max_len="$MAX_LEN" -print_final_stats=1 -artifact_prefix="$ARTIFACTS/" \
    > "$WORK/fuzz.log" 2>&1
STATUS=$?
ELAPSED=$(( $(date +%s) - STARTED ))
RUNS=$(sed -n 's/^stat::number_of_executed_units: *//p' "$WORK/fuzz.log" | tail -n 1)
LAST=$(grep -E '^#[0-9]+' "$WORK/fuzz.log" | tail -n 1)
COV=$(echo "$LAST" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
FT=$(echo "$LAST" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
CORP=$(echo "$LAST" | sed -n 's/.* corp: \([0-9]*\).*/\1/p')
CRASHES=$(find "$ARTIFACTS" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
echo "$TARGET: ${RUNS:-?} runs in ${ELAPSED} s, cov ${COV:-?}, ft ${FT:-?}, corpus ${CORP:-?}, crashes $CRASHES"
if [ $STATUS -ne 0 ] || [ "$CRASHES" -ne 0 ]; then
    echo "$TARGET: FAILED (exit $STATUS); inputs kept in $ARTIFACTS"
    grep -E -A 30 '^==[0-9]+==ERROR|runtime error|Test unit written|ALARM|out-of-memory' "$WORK/fuzz.log" | head -n 60
    [ -n "${4:-}" ] || cp -r "$ARTIFACTS" "${TMPDIR:-/tmp}/$TARGET-artifacts-$$" 2> /dev/null &&
        echo "$TARGET: copied to ${TMPDIR:-/tmp}/$TARGET-artifacts-$$"
    exit 1
fi
exit 0
