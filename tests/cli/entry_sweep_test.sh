#!/usr/bin/env bash
# Every host entry the plug-in uses, withheld in turn and answered with Abort
# and with Ignore, through a real tomiva run of the golden firm's export:
# the run ends without a sanitizer report, without anything left to the host
# (blocks only where HostFree itself is missing, files only where
# HostCloseFile is), with either a complete export or no export file, with
# status 0 only for the golden export and 6 wherever the entry was asked
# for, and an abandoned command is told to the user once, by the entry that
# stopped it.
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
# A list that came out empty would sweep nothing and pass.
check "there are entries to sweep" test ${#entries[@]} -gt 0
golden=$DATA/golden_expected.xml

for entry in "${entries[@]}"; do
  for answer in abort ignore; do
    rm -rf "$work/dir" && mkdir "$work/dir"
    # An earlier export of the day, which a run either replaces whole or keeps.
    printf 'earlier\n' >"$work/dir/qPX_2021-02-10.xml"
    "$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" --batch \
      "${SWEEP_ANSWERS[@]}" --withhold "$entry" --prompt-answers "$answer" run "Eksport Ventalor (txt)" \
      </dev/null >"$work/out" 2>"$work/err"
    status=$?
    what="$entry $answer"
    # The export, under whatever date the host gave (an ignored date entry
    # answers 0000-00-00).
    xml=$(sweep_export_file "$work/dir")
    check "$what: no temporary file is left" bash -c '! compgen -G "$1/*.tmp" >/dev/null' _ "$work/dir"
    if [[ $(cat "$work/dir/qPX_2021-02-10.xml") == earlier ]]; then
      [[ $xml == */qPX_2021-02-10.xml ]] && xml=
    else
      check "$what: the earlier export is replaced by a whole one" sweep_well_formed "$work/dir/qPX_2021-02-10.xml"
    fi
    check "$what: no crash (status $status)" test $status -lt 128
    check "$what: no sanitizer report" sweep_no_sanitizer_report "$work/err"
    [[ $entry == 21287 ]] || check "$what: no block left to the host" sweep_nothing_left "$work/err" "memory blocks"
    [[ $entry == 52305 ]] || check "$what: no file left open" sweep_nothing_left "$work/err" "files open"
    asked=0
    grep -q "^brak wpisu  $entry " "$work/err" && asked=1
    # A missing entry the plug-in asked for is told by the status, whatever
    # came of the command: 6, or what stopped it first (4 the menu entry
    # never registered, 5 the dialog refused), with the entry named.
    if ((asked)); then
      check "$what: a missing entry asked for exits 4, 5 or 6 (status $status)" test $status -ge 4 -a $status -le 6
      ((status == 4)) ||
        check "$what: the host names the entry" grep -q "host entry $entry, which this host does not have" "$work/err"
    fi
    if grep -q "Polecenie przerwane" "$work/err"; then
      check "$what: one notice" test "$(grep -c "Polecenie przerwane" "$work/err")" -eq 1
      check "$what: the notice names the entry the prompt named" \
        grep -q "Polecenie przerwane: brak wpisu $(sweep_first_prompted "$work/err") w programie" "$work/err"
    fi
    if [[ -n $xml ]]; then
      # A file is there: a complete export (Abort lets no fallback answer in
      # the host's place), and after an abandoned command one told as
      # written before the stop.
      check "$what: the export is well-formed" sweep_well_formed "$xml"
      [[ $answer == ignore ]] || check "$what: the export is the golden file" cmp -s "$xml" "$golden"
      ! grep -q "Polecenie przerwane" "$work/err" ||
        check "$what: a file after the stop was written out before it" \
          grep -q "Plik eksportu zapisano przed przerwaniem" "$work/err"
    else
      check "$what: no export and yet status 0" test $status -ne 0
    fi
    ((status != 0)) || check "$what: status 0 comes with the golden export" cmp -s "$work/dir/qPX_2021-02-10.xml" "$golden"
  done
done
echo "swept ${#entries[@]} entries with Abort and Ignore"
finish_checks
