#!/bin/bash
# Runs the libFuzzer targets of a fuzz build one after the other, each for a given time,
# growing a working corpus in the build directory from the seeds in fuzz/corpus/, and ends
# with one line per target: edges covered, corpus size and inputs run. Every target runs
# even when an earlier one found a fault; the exit status says whether any did.
#
#   tools/fuzz-run.sh BUILD_DIR SECONDS [TARGET...]   (targets by name: mod, vgm, ...)
set -u
build=$1
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in "$build"/fuzz/fuzz_*; do
        [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')")
    done
fi

summary=()
failed=0
for name in "${targets[@]}"; do
    exe=$build/fuzz/fuzz_$name
    if [ ! -x "$exe" ]; then
        echo "no fuzz target $name in $build" >&2
        failed=1
        continue
    fi
    work=$build/work/fuzz_$name
    log=$build/work/fuzz_$name.log
    mkdir -p "$work"
    dict=()
    [ -f "$source_dir/fuzz/dict/$name.dict" ] && dict=(-dict="$source_dir/fuzz/dict/$name.dict")
    echo "== fuzz_$name (${seconds} s, log in $log)"
    LSAN_OPTIONS=suppressions=$source_dir/fuzz/lsan.supp "$exe" -max_total_time="$seconds" \
        -print_final_stats=1 -artifact_prefix="$build/work/fuzz_$name-" "${dict[@]}" \
        "$work" "$source_dir/fuzz/corpus/$name" > "$log" 2>&1
    status=$?
    # libFuzzer's status lines: "#RUNS <event> cov: EDGES ft: FEATURES corp: UNITS/SIZE ...".
    start=$(grep -a -m1 -E '^#[0-9]+[[:space:]]+INITED' "$log" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    last=$(grep -a -E '^#[0-9]+[[:space:]].* cov: ' "$log" | tail -1)
    edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<< "$last")
    corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<< "$last")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    [ -z "$runs" ] && runs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<< "$last")
    verdict=clean
    if [ $status -ne 0 ]; then
        verdict="FOUND A FAULT (status $status; input in $build/work/fuzz_$name-*)"
        failed=1
    fi
    line=$(printf '%-14s edges %5s (seeds %5s)  corpus %6s  inputs %10s  %6s/s  %s' "$name" \
        "${edges:-?}" "${start:-?}" "${corpus:-?}" "${runs:-?}" "${rate:-?}" "$verdict")
    echo "$line"
    summary+=("$line")
done

echo
echo "== fuzz summary (${seconds} s per target)"
printf '%s\n' "${summary[@]}"
exit $failed
