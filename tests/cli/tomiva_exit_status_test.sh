#!/usr/bin/env bash
# tomiva's exit statuses, one row per way a command ends: each row checks the
# status, a piece of what tomiva or the plug-in said, and the files left in
# the data directory.  Every run has a time limit: a FIFO given as a path
# must be refused, never waited on.  What only a failing disk or another
# program could bring about, the file fault shim (tests/support) does:
# preloaded into tomiva, it fails the firm's reads once the export's
# temporary file is open, or changes a digit of the file as it is renamed
# into place.
# Usage: tomiva_exit_status_test.sh TOMIVA PLUGIN DATA_DIR FAULT_SHIM
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3 SHIM=$4
work=$(mktemp -d)
holder=
trap '[[ -n $holder ]] && kill -9 "$holder" 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
source "$(dirname "$0")/golden_answers.sh"
cd "$work" || exit 1

write_golden_firm golden.db
write_large_firm large.db
xml=qPX_2021-02-10.xml
period=("${GOLDEN_PERIOD[@]}")
kinds=("${GOLDEN_KINDS[@]}")

# A fresh data directory and a fresh copy of the golden firm for each row.
fresh() { rm -rf dir firm.db firm.db-journal firm.db-wal firm.db-shm; mkdir dir; cp golden.db firm.db; }
# with: what the run is started with (env and its variables), usually nothing.
with=()
tomiva() { timeout 20 "${with[@]}" "$TOMIVA" --firm firm.db --dir dir --today 2021-02-10 --plugin "$PLUGIN" --batch "$@"; }
# The variables that preload the shim (the sanitizers' runtime is then not
# the first library, which they must be told is meant).
shim=(LD_PRELOAD="$SHIM" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0")
# Sets one byte of a file to another value.
flip_byte() { # file offset
  local b
  b=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
  printf "$(printf '\\%03o' $(((b ^ 1) & 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
page_of() { sqlite3 firm.db "SELECT pageno FROM dbstat WHERE name = '$1' LIMIT 1"; }
# Another sqlite3 shell on the firm, fed through a FIFO, that has done what
# it was given when this returns: holder is its process.
hold_firm() { # sql, done when it printed "ready"
  mkfifo "$work/ctl"
  sqlite3 firm.db <"$work/ctl" >"$work/held" 2>&1 &
  holder=$!
  exec 9>"$work/ctl"
  echo "$1 SELECT 'ready';" >&9
  for _ in $(seq 50); do grep -q ready "$work/held" && return; sleep 0.1; done
}
release_firm() { # how: commit (the lock is given back) or kill (a writer that stopped half-way)
  [[ $1 == commit ]] && echo "COMMIT;" >&9
  [[ $1 == kill ]] && kill -9 "$holder"
  exec 9>&-
  wait "$holder" 2>/dev/null
  holder=
  rm -f "$work/ctl"
}

# expect STATUS "what" "a piece of stderr (- none)" "files: +name exists, -name absent, =name golden" ARGS...
expect() {
  local want=$1 what=$2 says=$3 files=$4 status f
  shift 4
  tomiva "$@" run "Eksport Ventalor (txt)" >out 2>err
  status=$?
  check "$what: exits $want" test "$status" -eq "$want"
  [[ $says == - ]] || check "$what: says \"$says\"" grep -qF -- "$says" err
  for f in $files; do
    case $f in
      +*) check "$what: leaves ${f:1}" test -e "dir/${f:1}" ;;
      -*) check "$what: leaves no ${f:1}" test ! -e "dir/${f:1}" ;;
      =*) check "$what: ${f:1} is the golden file" cmp -s "dir/${f:1}" "$DATA/golden_expected.xml" ;;
    esac
  done
  # (10: the file is whole, and it is the batch run's own check that failed.)
  if ((status != 0 && want != 10)); then
    check "$what: lists no incomplete file as written" bash -c "! grep -q 'written: .*$xml' out || cmp -s dir/$xml '$DATA/golden_expected.xml'"
    [[ $want -lt 6 ]] || check "$what: names the failure" grep -q "tomiva: the command failed: " err
  fi
}

# --- 0: the command finished and what it wrote is whole ---------------------
fresh; expect 0 "the golden export" "Ilość wyeksportowanych faktur zakupu:     7" "=$xml +a_mas.cfg -a_mas.cfg.tmp" \
  "${period[@]}" "${kinds[@]}"
check "the golden export: says where the file is" grep -q "written: .*$xml" out
fresh; expect 0 "a period of one day" "faktur zakupu:     1" "+$xml" \
  --answer "Od daty=2021-01-22" --answer "Do daty=2021-01-22" "${kinds[@]}"
fresh; expect 0 "cancel" - "-$xml -a_mas.cfg" "${period[@]}" --cancel
# A firm in write-ahead-log mode: its structure is checked in turn, not on
# a thread of its own beside its rows (there a commit could come between).
fresh; sqlite3 firm.db "PRAGMA journal_mode = WAL" >/dev/null
expect 0 "a firm in write-ahead-log mode" - "=$xml" "${period[@]}" "${kinds[@]}"
# Nothing ticked, or "Od daty" after "Do daty": a file without documents.
fresh; expect 0 "Od daty after Do daty" "korekt zakupu:     0" "+$xml +a_mas.cfg" \
  --answer "Od daty=2021-02-01" --answer "Do daty=2021-01-31" "${kinds[@]}"
check "Od daty after Do daty: no document in the file" test "$(grep -c '<REJESTR>' "dir/$xml")" -eq 0
fresh; expect 0 "nothing ticked" "faktur zakupu:     0" "+$xml +a_mas.cfg"

# --- 1: bad usage -----------------------------------------------------------
fresh; expect 1 "an entry number that is none" "--withhold takes an entry number" "-$xml" --withhold x
fresh; expect 1 "a count of allocations that is none" "--fail-allocation takes a count" "-$xml" --fail-allocation 0

# --- 2: the firm is refused before anything runs ----------------------------
fresh; sqlite3 firm.db "UPDATE purchase_invoice SET amount = 1.8e304 WHERE rowid = 1"
expect 2 "an amount past 2^53 units" "column amount: must lie within -900719925474.0992..900719925474.0992" \
  "-$xml -a_mas.cfg"
fresh; flip_byte firm.db $(( $(page_of sqlite_autoindex_vat_line_1) * 4096 - 1 ))
expect 2 "a damaged key in the index of vat_line" "is damaged; SQLite's check of the file says:" "-$xml -a_mas.cfg"
check "a damaged key: the index is named" grep -q "missing from index sqlite_autoindex_vat_line_1" err
fresh; sqlite3 firm.db "PRAGMA journal_mode = WAL" >/dev/null
flip_byte firm.db $(( $(page_of sqlite_autoindex_vat_line_1) * 4096 - 1 ))
expect 2 "a damaged key, the firm in write-ahead-log mode" "missing from index sqlite_autoindex_vat_line_1" \
  "-$xml -a_mas.cfg"
fresh; flip_byte firm.db $(( ($(page_of vat_line) - 1) * 4096 ))
expect 2 "a damaged data page of vat_line" "database disk image is malformed" "-$xml -a_mas.cfg"
fresh; hold_firm "BEGIN EXCLUSIVE;"
expect 2 "a firm another program is writing" "is locked by another program" "-$xml -a_mas.cfg"
release_firm commit
fresh; hold_firm "PRAGMA cache_size = 1; BEGIN; UPDATE vat_line SET amount = amount + 1;
  UPDATE purchase_invoice SET amount = amount + 1; UPDATE contractor SET nip = nip || '';"
release_firm kill
expect 2 "a hot journal" "has a hot journal" "-$xml -a_mas.cfg"
fresh; rm firm.db; mkfifo firm.db
expect 2 "a FIFO as the firm" "it is a FIFO (named pipe), not a file" "-$xml"
fresh; rm firm.db
expect 2 "a firm that is not there" "No such file or directory" "-$xml"
fresh; echo "not a database" >firm.db
expect 2 "a file that is no database" "not a firm database: file is not a database" "-$xml -a_mas.cfg"

# --- 3, 4: the plug-in and the menu entry ------------------------------------
fresh; expect 3 "a plug-in that is not there" "none.so" "-$xml" --plugin "$work/none.so"
fresh; echo "not a shared object" >fake.so
expect 3 "a plug-in that is no shared object" "cannot load the plug-in \"$work/fake.so\"" "-$xml -a_mas.cfg" \
  --plugin "$work/fake.so"
fresh; expect 3 "a shared object that is no plug-in" "is not a plug-in: it has no entry points 30001 and 30008" \
  "-$xml -a_mas.cfg" --plugin "$SHIM"
fresh; timeout 20 "$TOMIVA" --firm firm.db --dir dir --plugin "$PLUGIN" --batch run "Nie ma takiego" >/dev/null 2>err
check "no such menu entry: exits 4" test $? -eq 4

# --- 5: the dialog refuses; nothing is saved or written ----------------------
fresh; expect 5 "an answer for a disabled box" "Faktury sprzed" "-$xml -a_mas.cfg" --answer "Faktury sprzed.=1"

# --- 6: a host entry the plug-in needed is missing ---------------------------
fresh; expect 6 "an abandoned command" "Polecenie przerwane: brak wpisu 52130" "-$xml -$xml.tmp +a_mas.cfg" \
  "${period[@]}" "${kinds[@]}" --withhold 52130 --prompt-answers ignore
check "an abandoned command: the unfinished file is told as removed" grep -q "Niepełny plik eksportu usunięto" err
check "an abandoned command: the entry is named" grep -q "host entry 52130, which this host does not have" err
fresh; expect 6 "a stand-in answer after Ignore" "brak wpisu  35804" "=$xml" \
  "${period[@]}" "${kinds[@]}" --withhold 35804 --prompt-answers ignore
# HostConvertText missing and Abort: the command stops inside a line, whose
# buffer is released too.
fresh; expect 6 "a command abandoned inside a line" "Polecenie przerwane: brak wpisu 35387" "-$xml -$xml.tmp" \
  "${period[@]}" "${kinds[@]}" --withhold 35387 --prompt-answers abort
check "a command abandoned inside a line: no block is left to the host" \
  bash -c '! grep -q "left .* memory blocks" err'
# HostDataDirectory missing and Ignore: the stand-in gives no directory, so
# the run does not know where its file would go and creates nothing.
fresh; echo earlier >"dir/$xml"
expect 6 "a run without a data directory" "Eksport nie został zapisany: program nie podał katalogu danych." \
  "-$xml.tmp" "${period[@]}" "${kinds[@]}" --withhold 52016 --prompt-answers ignore
check "a run without a data directory: the earlier export is as it was" test "$(cat "dir/$xml")" = earlier
check "a run without a data directory: nothing is written beside it" bash -c '! compgen -G "qPX_*" >/dev/null'

# --- 7: the host failed the command ------------------------------------------
fresh; expect 7 "memory refused for the contractor flags" "memory ran short" "+a_mas.cfg -$xml" \
  "${period[@]}" "${kinds[@]}" --fail-allocation 1
check "memory refused: the plug-in says why" grep -q "Błąd operacji dyskowej-Constructor!" err
# The firm fails while the documents are read, after it passed its checks:
# the host tells the failed read and withdraws the file being written; the
# plug-in, for which the scan simply ended, finds no file to check and says
# that no export was written.
fresh; cp large.db firm.db; echo earlier >"dir/$xml"
with=(env "${shim[@]}" TOMIVA_SHIM_FAIL_READS_OF="$(realpath firm.db)")
expect 7 "a failed read of the documents" "table purchase_invoice, the first row" "-$xml.tmp" \
  --answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1" --answer "Korekty zakupu=1"
with=()
check "a failed read of the documents: the host says so" grep -q "The firm database cannot be read." err
check "a failed read of the documents: the plug-in says no export was written" \
  grep -q "Eksport nie został zapisany: " err
check "a failed read of the documents: the earlier export is as it was" test "$(cat "dir/$xml")" = earlier

# --- 8: the plug-in reported that no export was written ---------------------
# A kind ticked and a date left empty: OK saves what was typed, and the
# command ends with the plug-in's error notice instead of the run.
fresh; expect 8 "an empty Od daty" 'Pole "Od daty" jest puste!' "-$xml +a_mas.cfg -a_mas.cfg.tmp" \
  --answer "Do daty=2021-01-31" "${kinds[@]}"
check "an empty Od daty: the dialog was not refused" bash -c '! grep -q "refused its answers" err'
fresh; expect 8 "an empty Do daty" 'Pole "Do daty" jest puste!' "-$xml +a_mas.cfg" \
  --answer "Od daty=2021-01-01" "${kinds[@]}"
# The export is written under a temporary name: whatever stops it leaves the
# earlier file of that name as it was and no temporary file.
# A disk that fills up: 1 KiB per file, enough for the settings but not the export.
fresh; echo earlier >"dir/$xml"
(ulimit -f 1; trap '' XFSZ; exec timeout 20 "$TOMIVA" --firm firm.db --dir dir --today 2021-02-10 \
  --plugin "$PLUGIN" --batch "${period[@]}" "${kinds[@]}" run "Eksport Ventalor (txt)") >out 2>err
check "a disk that fills up: exits 8" test $? -eq 8
check "a disk that fills up: says why" grep -q "File too large" err
# The host removes the file whose close failed: the plug-in finds nothing to
# read back.
check "a disk that fills up: the plug-in says it cannot check the file" grep -q "nie można odczytać pliku .*$xml.tmp, by go sprawdzić" err
check "a disk that fills up: the settings are whole" test "$(stat -c %s dir/a_mas.cfg)" -eq 258
check "a disk that fills up: the earlier export is as it was" test "$(cat "dir/$xml")" = earlier
check "a disk that fills up: no temporary file is left" test ! -e "dir/$xml.tmp"
check "a disk that fills up: lists no export as written" bash -c "! grep -q 'written: .*$xml' out"

# What is at the temporary name already (a link, a FIFO) is left as it is:
# the run writes under a new name of its own.
fresh; echo earlier >"dir/$xml"; ln -s /dev/full "dir/$xml.tmp"
expect 0 "a link to /dev/full at the temporary name" - "=$xml" "${period[@]}" "${kinds[@]}"
check "a link at the temporary name: it is left as it was" test "$(readlink "dir/$xml.tmp")" = /dev/full
fresh; mkfifo "dir/$xml.tmp"
expect 0 "a FIFO at the temporary name" - "=$xml" "${period[@]}" "${kinds[@]}"
check "a FIFO at the temporary name: it is left as it was" test -p "dir/$xml.tmp"
check "a FIFO at the temporary name: no other temporary file is left" \
  bash -c '[[ $(compgen -G "dir/*.tmp") == "dir/$1.tmp" ]]' _ "$xml"

# --- 9: a file the command wrote is not whole ---------------------------------
# A FIFO under the export's own name is never opened: the complete file
# takes its place.
fresh; mkfifo "dir/$xml"
expect 0 "a FIFO as the export file" - "=$xml -$xml.tmp" "${period[@]}" "${kinds[@]}"
# The settings file a FIFO: refused at once for reading and for writing;
# the export is written all the same, the settings are not.
fresh; mkfifo dir/a_mas.cfg
expect 9 "a FIFO as the settings file" "a_mas.cfg for writing: it is a FIFO (named pipe), not a file" "=$xml" \
  "${period[@]}" "${kinds[@]}"
check "a FIFO as the settings file: the plug-in says so" grep -q "Nie można otworzyć pliku konfiguracji do zapisu!" err
check "a FIFO as the settings file: it stays a FIFO" test -p dir/a_mas.cfg
fresh; mkfifo dir/EksportFKVentalor.ini
expect 9 "a FIFO as the INI file" "EksportFKVentalor.ini for reading: it is a FIFO" "=$xml" \
  "${period[@]}" "${kinds[@]}"

# --- 10: the batch run's own check finds the file it wrote wrong ------------
# A whole XML file with one amount changed after the run checked it.
fresh; echo earlier >"dir/$xml"
with=(env "${shim[@]}" TOMIVA_SHIM_ALTER_AT_RENAME=1)
expect 10 "a file that disagrees with the firm" - "+$xml" "${period[@]}" "${kinds[@]}"
with=()
check "a file that disagrees with the firm: says so" grep -q "qPX_2021-02-10.xml does NOT agree with the firm" out
check "a file that disagrees with the firm: names the amount" \
  grep -q 'KWOTA is "2230.00" in the file, "1230.00" in the firm' out
check "a file that disagrees with the firm: it is whole, in place of the earlier one" \
  bash -c "xmllint --noout dir/$xml && ! cmp -s dir/$xml '$DATA/golden_expected.xml'"

finish_checks
