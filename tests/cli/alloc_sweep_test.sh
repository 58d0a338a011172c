#!/usr/bin/env bash
# Every allocation of the golden firm's export failed in turn, through a real
# tomiva run: the host's allocation entries (KIND host, --fail-allocation N)
# or the program's own allocations (KIND program, TOMIVA_FAIL_PROGRAM_ALLOC=N:
# operator new and SQLite).  Every run ends without a crash, a sanitizer
# report or an exception that left the program, with nothing left to the
# host, and either with the complete export (the golden file) or with no
# export file, a non-zero status and a message that names memory.  The
# check of the written files that follows a batch run is left out: it is no
# part of the command.
# Usage: alloc_sweep_test.sh TOMIVA PLUGIN DATA_DIR KIND [FIRST [STEP]]
#   (N = FIRST, FIRST + STEP, ... up to the first N the run never reaches;
#   two sweeps with STEP 2 share the work on two cores)
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3 KIND=$4 FIRST=${5:-1} STEP=${6:-1}
here=$(dirname "$0")
source "$here/checks.sh"
source "$here/sweep_common.sh"
# failing N: the run's environment and options, and what it says when it
# never came to allocation N.
failing() {
  case $KIND in
    host) switch=(env) option=(--fail-allocation "$1") unreached="--fail-allocation $1 was not reached" ;;
    program) switch=(env "TOMIVA_FAIL_PROGRAM_ALLOC=$1") option=() unreached="TOMIVA_FAIL_PROGRAM_ALLOC=$1 was not reached" ;;
  esac
}
[[ $KIND == host || $KIND == program ]] || { echo "KIND is host or program"; exit 1; }

fail() { failed=$((failed + 1)); echo "FAILED: $1"; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sweep_golden_firm "$TOMIVA" "$DATA" "$work/firm.db" || exit 1
golden=$DATA/golden_expected.xml
xml=$work/dir/qPX_2021-02-10.xml

n=$FIRST
while true; do
  rm -rf "$work/dir" && mkdir "$work/dir"
  failing "$n"
  "${switch[@]}" "$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" \
    --batch --no-verify "${SWEEP_ANSWERS[@]}" "${option[@]}" run "Eksport Ventalor (txt)" </dev/null >"$work/out" 2>"$work/err"
  status=$?
  grep -qF -- "$unreached" "$work/err" && break
  what="$KIND allocation $n"
  before=$failed
  # Only what fails is reported; a sweep of thousands of runs stays readable.
  sweep_no_sanitizer_report "$work/err" && ((status < 128)) ||
    fail "$what: a crash, a sanitizer report or an escaped exception (status $status)"
  sweep_nothing_left "$work/err" "memory blocks" || fail "$what: blocks left to the host"
  sweep_nothing_left "$work/err" "files open" || fail "$what: files left open"
  if [[ -e $xml ]]; then
    cmp -s "$xml" "$golden" || fail "$what: an export file that is not the complete export (status $status)"
    ((status == 0)) || grep -qi "memory" "$work/err" || fail "$what: status $status after a complete export"
  else
    ((status != 0)) || fail "$what: no export and yet status 0"
    grep -qiE "memory|pamięci" "$work/err" || fail "$what: no export and no word of memory"
  fi
  if ((failed > before)); then
    # SWEEP_KEEP=DIR keeps what each failed run printed, for a look.
    [[ -z ${SWEEP_KEEP:-} ]] || cp "$work/err" "$SWEEP_KEEP/$KIND-$n.err"
  else
    passed=$((passed + 1))
  fi
  n=$((n + STEP))
done
echo "swept $KIND allocations $FIRST to $((n - STEP)) in steps of $STEP"
((n > FIRST)) || fail "the sweep never reached allocation $FIRST"
finish_checks
