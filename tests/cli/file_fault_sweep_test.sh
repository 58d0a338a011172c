#!/usr/bin/env bash
# Every file-system call of the golden firm's export failed in turn, through
# a real tomiva run: a system-call tracer's fault injection (strace -e
# inject=CALL:error=ERR:when=N; N counts each thread's calls) fails the N-th
# call of one kind with EIO or ENOSPC.  Each run must end with a true status:
#   - 0 only with the whole export (the golden file) in place and the
#     settings file whole;
#   - otherwise the earlier export byte for byte, or - where the one thing
#     that failed was the settings or the INI file, which the run follows in
#     any case - the whole export; never a part of one;
# no temporary file left, no crash, no hang, no sanitizer report.  Prints a
# table of the outcomes per call and error (docs/file-safety.md holds it).
# Usage: file_fault_sweep_test.sh TOMIVA PLUGIN DATA_DIR [STEP [ERRORS]]
#   (every STEP-th N of each call; ERRORS a comma list, default EIO,ENOSPC)
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3 STEP=${4:-1} ERRORS=${5:-EIO,ENOSPC}
here=$(dirname "$0")
source "$here/checks.sh"
source "$here/sweep_common.sh"
command -v strace >/dev/null || { echo "SKIPPED: no strace to inject faults with"; exit 77; }
# LeakSanitizer cannot work under a tracer (the other sweeps look for leaks).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
sweep_golden_firm "$TOMIVA" "$DATA" firm.db || exit 1
golden=$DATA/golden_expected.xml
xml=qPX_2021-02-10.xml
run() { # the export into dir, with what comes before it (strace and its options)
  timeout 60 "$@" "$TOMIVA" --firm firm.db --dir dir --today 2021-02-10 --plugin "$PLUGIN" --batch --no-verify \
    "${SWEEP_ANSWERS[@]}" run "Eksport Ventalor (txt)" >out 2>err
}
# The earlier files: an export of that day, the settings and the INI.
rm -rf earlier && mkdir earlier dir && echo "<the export written earlier that day>" >earlier/$xml
run || { echo "the golden export fails without faults"; exit 1; }
cp dir/a_mas.cfg dir/EksportFKVentalor.ini earlier/

# The calls by kind: the system calls each stands for.
kinds=(open read write flush close rename unlink stat truncate list)
declare -A calls=(
  [open]=openat [read]=read,pread64 [write]=write,pwrite64 [flush]=fsync,fdatasync [close]=close
  [rename]=rename,renameat,renameat2 [unlink]=unlink,unlinkat [stat]=newfstatat,fstat,statx
  [truncate]=ftruncate [list]=getdents64)
# How many calls of each kind a run makes without faults (all threads).
run strace -f -qq -o "$work/counted" -e trace="$(IFS=,; echo "${calls[*]}")"
count_of() { grep -cE "^[0-9]+ +($(tr , '|' <<<"$1"))\(" counted; }

declare -A outcome
printf '%-9s %-7s %5s  %s\n' call error runs "exit statuses (how many)" >table
for kind in "${kinds[@]}"; do
  total=$(count_of "${calls[$kind]}")
  # unlink is not called by a run without faults, only by one that fails.
  ((total == 0)) && total=2
  for error in ${ERRORS//,/ }; do
    outcome=()
    runs=0
    for ((n = 1; n <= total; n += STEP)); do
      rm -rf dir && cp -r earlier dir
      run strace -f -qq -o /dev/null -e trace="${calls[$kind]}" -e inject="${calls[$kind]}:error=$error:when=$n"
      status=$?
      runs=$((runs + 1))
      outcome[$status]=$((${outcome[$status]:-0} + 1))
      what="$kind $error #$n (exit $status)"
      # 127: the system's loader could not load the program's libraries.
      check "$what: no crash and no hang" bash -c "(($status < 124)) || { (($status == 127)) && grep -q 'error while loading shared libraries' err; }"
      check "$what: no sanitizer report" sweep_no_sanitizer_report err
      if ((status == 0)); then
        check "$what: exit 0 with the whole export" cmp -s "dir/$xml" "$golden"
        check "$what: exit 0 with the settings whole" test "$(stat -c %s dir/a_mas.cfg)" -eq 258
      elif ! cmp -s "dir/$xml" "earlier/$xml"; then
        # Only the settings or the INI failed: the run went on and wrote
        # its export whole.
        check "$what: the earlier export kept, or the new one whole" cmp -s "dir/$xml" "$golden"
        check "$what: a whole export with a failure of the settings or the INI alone" \
          bash -c "grep 'the command failed:' err | grep -qE 'a_mas.cfg|EksportFKVentalor.ini' &&
                   ! grep 'the command failed:' err | grep -qF '$xml'"
      fi
      check "$what: no temporary file is left" bash -c '! compgen -G "dir/*.tmp" >/dev/null'
      check "$what: the settings file is the earlier or a whole new one" test "$(stat -c %s dir/a_mas.cfg)" -eq 258
    done
    statuses=
    for status in $(printf '%s\n' "${!outcome[@]}" | sort -n); do statuses+="$status (${outcome[$status]}) "; done
    printf '%-9s %-7s %5d  %s\n' "$kind" "$error" "$runs" "$statuses" >>table
  done
done
cat table
finish_checks
