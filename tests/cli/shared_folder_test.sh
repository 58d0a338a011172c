#!/usr/bin/env bash
# A firm's data folder shared by several people and kept on a disk that may
# fail: runs at once into one folder, links and other files planted at the
# names a run writes, the firm itself at such a name, a FIFO at the firm's
# journal, the order in which the export reaches the disk (a system-call
# trace), a close that fails, and another program's file changing beside a
# run.  Every run has a time limit.
# Usage: shared_folder_test.sh TOMIVA PLUGIN DATA_DIR
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3
work=$(mktemp -d)
trap 'jobs -p | xargs -r kill 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
source "$(dirname "$0")/golden_answers.sh"
cd "$work" || exit 1

write_golden_firm golden.db
write_large_firm large.db
xml=qPX_2021-02-10.xml
fresh() { rm -rf dir firm.db*; mkdir dir; cp golden.db firm.db; }
tomiva() { # FIRM, then the rest
  local firm=$1; shift
  timeout 60 "$TOMIVA" --firm "$firm" --dir dir --today 2021-02-10 --plugin "$PLUGIN" --batch "$@"
}
golden() { tomiva firm.db "${GOLDEN_ANSWERS[@]}" "$@" run "Eksport Ventalor (txt)"; }
no_temporary_left() { ! compgen -G "dir/*.tmp" >/dev/null; }
plain_file() { [[ -f $1 && ! -L $1 && $(stat -c %h "$1") -eq 1 ]]; }

# --- Runs at once ------------------------------------------------------------
# A whole year and half a year of the large firm into one folder, the second
# started 0 to 0.3 s after the first: the export's name holds one run's whole
# file, never a mix, and no temporary file is left.
year=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31")
half=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-06-30")
kinds=("${GOLDEN_KINDS[@]}")
for period in year half; do
  rm -rf dir; mkdir dir
  declare -n answers=$period
  tomiva large.db --no-verify "${answers[@]}" "${kinds[@]}" run "Eksport Ventalor (txt)" >/dev/null 2>&1
  cp "dir/$xml" "$period.xml"; cp dir/a_mas.cfg "$period.cfg"
done
for try in 1 2 3 4 5 6; do
  rm -rf dir; mkdir dir; echo earlier >"dir/$xml"
  tomiva large.db --no-verify "${year[@]}" "${kinds[@]}" run "Eksport Ventalor (txt)" >out1 2>err1 & first=$!
  sleep "0.$((RANDOM % 300))"
  tomiva large.db --no-verify "${half[@]}" "${kinds[@]}" run "Eksport Ventalor (txt)" >out2 2>err2 & second=$!
  wait $first; s1=$?; wait $second; s2=$?
  check "runs at once ($try): both finish (exit $s1, $s2)" test "$s1$s2" = 00
  check "runs at once ($try): the export is one run's whole file" bash -c "cmp -s dir/$xml year.xml || cmp -s dir/$xml half.xml"
  check "runs at once ($try): the settings are one run's whole record" bash -c "cmp -s dir/a_mas.cfg year.cfg || cmp -s dir/a_mas.cfg half.cfg"
  check "runs at once ($try): the export is a plain file" plain_file "dir/$xml"
  check "runs at once ($try): no temporary file is left" no_temporary_left
done

# --- Links and files at the names a run writes --------------------------------
# Nothing is written through them, nothing behind them is moved or changed,
# and the names the run writes end up as plain files.
for how in symbolic hard; do
  for name in "$xml.tmp" a_mas.cfg.tmp a_mas.cfg "$xml" EksportFKVentalor.ini; do
    fresh; echo "another file" >victim
    if [[ $how == symbolic ]]; then ln -s "$work/victim" "dir/$name"; else ln victim "dir/$name"; fi
    golden >out 2>err
    check "a $how link at $name: exits 0" test $? -eq 0
    check "a $how link at $name: the other file is as it was" test "$(cat victim)" = "another file"
    check "a $how link at $name: the export is the golden file" cmp -s "dir/$xml" "$DATA/golden_expected.xml"
    check "a $how link at $name: the export and the settings are plain files" \
      bash -c "[[ -f dir/$xml && ! -L dir/$xml && -f dir/a_mas.cfg && ! -L dir/a_mas.cfg ]]"
    check "a $how link at $name: no other temporary file is left" \
      bash -c '[[ -z $(compgen -G "dir/*.tmp" | grep -vxF "dir/$1") ]]' _ "$name"
  done
done

# --- The firm at a name the run writes -----------------------------------------
# Refused before anything is written, naming both; the firm untouched.
for name in a_mas.cfg "$xml" "$xml.tmp" EksportFKVentalor.ini a_mas.cfg.1a2b3c4d.tmp; do
  for how in itself symbolic hard; do
    fresh
    case $how in
      itself) mv firm.db "dir/$name"; firm="dir/$name" ;;
      symbolic) ln -s "$work/firm.db" "dir/$name"; firm=firm.db ;;
      hard) ln firm.db "dir/$name"; firm=firm.db ;;
    esac
    sum=$(md5sum <"$firm")
    tomiva "$firm" "${GOLDEN_ANSWERS[@]}" run "Eksport Ventalor (txt)" >out 2>err
    check "the firm at $name ($how): exits 2" test $? -eq 2
    check "the firm at $name ($how): says which files" grep -qF "is the same file as dir/$name" err
    check "the firm at $name ($how): the firm is untouched" test "$(md5sum <"$firm")" = "$sum"
    check "the firm at $name ($how): nothing is written" \
      bash -c '[[ $(ls dir | grep -vxF "$1") == "" ]]' _ "$name"
  done
done

# --- A FIFO, a socket or a folder at the firm's journal -------------------------
for ending in -journal -wal; do
  for kind in fifo folder; do
    fresh
    if [[ $kind == fifo ]]; then mkfifo "firm.db$ending"; else mkdir "firm.db$ending"; fi
    start=$SECONDS
    golden >out 2>err
    status=$?
    check "a $kind at firm.db$ending: exits 2 (not $status)" test $status -eq 2
    check "a $kind at firm.db$ending: at once" test $((SECONDS - start)) -lt 10
    check "a $kind at firm.db$ending: names it" grep -q "its ${ending#-} firm.db$ending is a" err
  done
done

# --- The order in which the export reaches the disk -----------------------------
# The temporary file's data is flushed before it is moved over the export's
# name, and the folder is flushed after; the same for the settings file.
if command -v strace >/dev/null; then
  fresh
  # LeakSanitizer cannot work under a tracer.
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" strace -f -qq -y -o trace -e trace=fsync,fdatasync,rename,renameat,renameat2 \
    "$TOMIVA" --firm firm.db --dir dir --today 2021-02-10 --plugin "$PLUGIN" --batch "${GOLDEN_ANSWERS[@]}" \
    run "Eksport Ventalor (txt)" >out 2>err
  check "traced: exits 0" test $? -eq 0
  steps=$(sed -nE \
    -e "s|.*fsync\([0-9]+<.*/$xml\.tmp>\).*|flush export|p" \
    -e "s|.*rename(at2?)?\(.*$xml\.tmp\".*$xml\".*|move export|p" \
    -e "s|.*fsync\([0-9]+<.*/a_mas\.cfg\.[0-9a-f]{8}\.tmp>\).*|flush settings|p" \
    -e "s|.*rename(at2?)?\(.*a_mas\.cfg\.[0-9a-f]{8}\.tmp\".*a_mas\.cfg\".*|move settings|p" \
    -e "s|.*fsync\([0-9]+<.*/EksportFKVentalor\.ini\.[0-9a-f]{8}\.tmp>\).*|flush ini|p" \
    -e "s|.*rename(at2?)?\(.*EksportFKVentalor\.ini\.[0-9a-f]{8}\.tmp\".*EksportFKVentalor\.ini\".*|move ini|p" \
    -e "s|.*fsync\([0-9]+<$work/dir>\).*|flush folder|p" trace | tr '\n' ' ')
  check "traced: each file flushed, moved, its folder flushed (got: $steps)" \
    test "$steps" = "flush ini move ini flush folder flush settings move settings flush folder flush export move export flush folder "
else
  echo "SKIPPED: the order of the flushes (no strace)"
fi

# --- Another program's file beside a run ----------------------------------------
# A broken notes.xml written into the folder while a run writes its export is
# neither checked nor listed.
fresh
(while :; do echo "<broken" >dir/notes.xml; sleep 0.01; done) & writer=$!
tomiva large.db "${year[@]}" "${kinds[@]}" run "Eksport Ventalor (txt)" >out 2>err
status=$?
kill $writer; wait $writer 2>/dev/null
check "another program's file: the run exits 0 (not $status)" test $status -eq 0
check "another program's file: not listed as written" bash -c '! grep -q notes.xml out'
check "another program's file: the export is listed" grep -q "written: .*$xml" out

# --- Memory refused while the host lists its plug-ins' folder ------------------
# Every allocation of the program failed in turn while it lists the folder
# "plugins" beside it: no abort, the shortage told (7), or the list.
total=$(TOMIVA_FAIL_PROGRAM_ALLOC=1000000 "$TOMIVA" plugins 2>&1 >/dev/null | sed -n 's/.*was not reached: \([0-9]*\) allocations/\1/p')
check "the plug-ins' folder: the allocations are counted (${total:-none})" test -n "$total"
aborted=()
for ((n = 1; n <= ${total:-0}; ++n)); do
  TOMIVA_FAIL_PROGRAM_ALLOC=$n timeout 20 "$TOMIVA" plugins >out 2>err
  status=$?
  [[ $status -eq 0 || $status -eq 7 ]] || aborted+=("$n:$status")
done
check "the plug-ins' folder: every refused allocation ends in 0 or 7 (not: ${aborted[*]})" test ${#aborted[@]} -eq 0

finish_checks
