#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS of its own, starting
# from its seed corpus in tests/fuzz/corpus/<target>.  What a run learns is
# kept in build/fuzz/corpus/<target> for the next run; an input that breaks
# a property is written to build/fuzz/findings/<target>/ and the script
# fails.  scripts/test.sh runs every target for a short time.
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]   (default 60 s, every target)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(xml_escape address_split mazovia settings_file dialog_template answers firm_validation xml_agreement)

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" || exit 1

status=0
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target findings=build/fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  # A finding stops the target; the time it ran, its runs and the corpus it
  # reached are printed either way.
  start=$(date +%s)
  build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "tests/fuzz/corpus/$target" \
    >"build/fuzz/$target.log" 2>&1
  result=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/$target.log")
  echo "fuzz $target: $(($(date +%s) - start)) s, ${runs:-?} runs, corpus $(ls "$corpus" | wc -l) inputs" \
       "$( ((result == 0)) && echo "no finding" || echo "FINDING (build/fuzz/$target.log, $findings/)")"
  ((result == 0)) || { tail -n 30 "build/fuzz/$target.log"; status=1; }
done
exit $status
