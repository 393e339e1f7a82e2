#!/usr/bin/env bash
# Builds the SendKeys fuzzer with clang++, AddressSanitizer and
# UndefinedBehaviorSanitizer, runs it for a fixed number of inputs from a fixed
# seed, and fails on any finding or when the run ends before that number.
#
#   run_fuzzer.sh OUTPUT_DIR SOURCE_ROOT CORE_SOURCE...
set -euo pipefail

out=$1
root=$2
shift 2
runs=${NVK_FUZZ_RUNS:-200000}
cxx=${NVK_FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null; then
    echo "$cxx not found; scripts/install-deps.sh installs clang and libclang-rt-14-dev" >&2
    exit 1
fi

mkdir -p "$out"
"$cxx" -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "$@" "$root/tests/keys/sendkeys_fuzzer.cpp" -o "$out/sendkeys_fuzzer"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" "$work/seeds"
# Seeds: the first byte picks the layout (bit 0) and the pump (bit 1).
i=0
for script in 'c:\Projects\qmtx\Images\V1269038-01.jpg' 'Tessaro Groupe' "corps de l'annonce" \
    '+a' '^(ab)' '%{F4}' '{LEFT 3}' '{NUMLOCK 3}' '{{}' '{}}' '{ENTER}}' '++a' ')' '+(abc' \
    'abc{DEL' '{A 0}' '{LEFT -1}' '{LEFT x}' '{FOO x}' '{a 2}~'; do
    for mode in '\x00' '\x01' '\x03'; do
        printf "$mode%s" "$script" >"$work/seeds/$i"
        i=$((i + 1))
    done
done

cd "$work"
status=0
"$out/sendkeys_fuzzer" -runs="$runs" -seed=1 -max_len=128 -max_total_time=600 -timeout=20 \
    -rss_limit_mb=2048 -artifact_prefix="$out/" -dict="$root/tests/keys/sendkeys_fuzzer.dict" -print_final_stats=1 \
    "$work/corpus" "$work/seeds" >"$work/log" 2>&1 || status=$?
tail -n 30 "$work/log"
if [ "$status" -ne 0 ]; then
    grep -m 5 "broken rule" "$work/log" >&2 || true
    echo "fuzzer finding (exit $status); the input is kept in $out" >&2
    exit 1
fi
done_runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$work/log")
if [ -z "$done_runs" ] || [ "$done_runs" -lt "$runs" ]; then
    echo "fuzzer stopped after ${done_runs:-no} runs, fewer than $runs" >&2
    exit 1
fi
echo "fuzzer: $done_runs runs, no finding"
