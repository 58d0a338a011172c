#!/usr/bin/env bash
# Every host entry the plug-in uses, withheld in turn and answered with Abort
# and with Ignore, through a real tomiva run of the golden firm's export:
# the run ends without a sanitizer report, without anything left to the host
# (blocks only where HostFree itself is missing, files only where
# HostCloseFile is), with either a complete export and status 0 or no export
# file and a non-zero status, and an abandoned command is told to the user
# once, by the entry that stopped it.
# Usage: entry_sweep_test.sh TOMIVA PLUGIN DATA_DIR [ENTRY...]
#   (no entries: every entry of contract/host_entries.h)
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3
shift 3
here=$(dirname "$0")
source "$here/checks.sh"
source "$here/sweep_common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sweep_golden_firm "$TOMIVA" "$DATA" "$work/firm.db" || exit 1

entries=("$@")
((${#entries[@]})) || mapfile -t entries < <(sweep_entry_numbers "$here/../../contract/host_entries.h")
golden=$DATA/golden_expected.xml

for entry in "${entries[@]}"; do
  for answer in abort ignore; do
    rm -rf "$work/dir" && mkdir "$work/dir"
    "$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" --batch \
      "${SWEEP_ANSWERS[@]}" --withhold "$entry" --prompt-answers "$answer" run "Eksport Ventalor (txt)" \
      </dev/null >"$work/out" 2>"$work/err"
    status=$?
    what="$entry $answer"
    # The export, under whatever date the host gave (an ignored date entry
    # answers 0000-00-00).
    xml=$(sweep_export_file "$work/dir")
    check "$what: no crash (status $status)" test $status -lt 128
    check "$what: no sanitizer report" sweep_no_sanitizer_report "$work/err"
    [[ $entry == 21287 ]] || check "$what: no block left to the host" sweep_nothing_left "$work/err" "memory blocks"
    [[ $entry == 52305 ]] || check "$what: no file left open" sweep_nothing_left "$work/err" "files open"
    abandoned=0
    grep -q "Polecenie przerwane" "$work/err" && abandoned=1
    if ((abandoned)); then
      check "$what: the abandoned command exits 6" test $status -eq 6
      check "$what: one notice" test "$(grep -c "Polecenie przerwane" "$work/err")" -eq 1
      check "$what: the notice names the entry the prompt named" \
        grep -q "Polecenie przerwane: brak wpisu $(sweep_first_prompted "$work/err") w programie" "$work/err"
    fi
    if [[ -n $xml ]]; then
      # A file is there: a complete export, after a status 0 or told as
      # written before the command stopped.
      ((status == 0)) || check "$what: a file after status $status was written out before the stop" \
        grep -q "Plik eksportu zapisano przed przerwaniem" "$work/err"
      check "$what: the export is well-formed" sweep_well_formed "$xml"
      # Abort never lets a fallback answer in the host's place.
      [[ $answer == ignore ]] || check "$what: the export is the golden file" cmp -s "$xml" "$golden"
    elif ((status == 0)); then
      # No export after status 0: only where the plug-in refused to start
      # the run and told the user so.
      check "$what: no export and status 0 only for a run refused with a notice" \
        grep -q "Eksport nie może zostać wykonany" "$work/err"
    fi
  done
done
echo "swept ${#entries[@]} entries with Abort and Ignore"
finish_checks
