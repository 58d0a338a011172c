#!/usr/bin/env bash
# A data folder and a firm file named with Polish letters: the host hands the
# plug-in its folder as host text (Mazovia) and takes its paths back so, the
# system's names stay UTF-8.  The export is the one an ASCII folder gets, the
# settings and INI files land in the folder, a failed run's notice names the
# path with its letters, and a name that host text cannot hold is refused.
# Usage: tomiva_polish_paths_test.sh TOMIVA PLUGIN DATA_DIR
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 DATA=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"

firm="$work/Firma Żółć.db" dir="$work/Księgowość Łódź" xml=qPX_2021-02-10.xml
"$TOMIVA" new-firm "$firm" >/dev/null || { echo "cannot write an empty firm"; exit 1; }
sqlite3 "$firm" <"$DATA/golden_firm.sql" || { echo "cannot fill the golden firm"; exit 1; }
mkdir -p "$dir" "$work/ascii"
answers=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-01-31" --answer "Faktury zakupu=1"
         --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=2021" --answer "Rejestr KH=FZK-ZAKUP"
         --answer "17=7" --answer "19=KOR" --answer "Kod oddzialu=ODDZ&1" --answer "Miejsce powstania=Łódź <MPK>"
         --answer "ID firmy z KH=7")
run() { "$TOMIVA" --firm "$firm" --today 2021-02-10 --plugin "$PLUGIN" --batch "${answers[@]}" "$@" run "Eksport Ventalor (txt)"; }

out=$(run --dir "$dir" 2>"$work/err"); status=$?
check "an export into the Polish folder exits 0" test $status -eq 0
check "  and is the golden file" cmp -s "$dir/$xml" "$DATA/golden_expected.xml"
check "  no temporary file is left" test ! -e "$dir/$xml.tmp"
check "  the settings file is in the folder" test "$(stat -c %s "$dir/a_mas.cfg" 2>/dev/null)" = 258
check "  the INI file is in the folder" grep -q "Pytaj" "$dir/EksportFKVentalor.ini"
check "  tomiva names the file with its letters" grep -qF "written: $dir/$xml" <<<"$out"
check "  the batch run's check reads the settings file there" grep -q "verified: .*agrees with the firm" <<<"$out"
check "nothing was written outside the folder" test -z "$(ls "$work" | grep -vx -e 'Firma Żółć.db' -e 'Księgowość Łódź' -e ascii -e err)"
run --dir "$work/ascii" >/dev/null 2>&1
check "the same export in an ASCII folder is byte for byte the same" cmp -s "$work/ascii/$xml" "$dir/$xml"
check "  and so are the settings" cmp -s "$work/ascii/a_mas.cfg" "$dir/a_mas.cfg"

# The run cannot move its file into place: a folder stands at the export's
# name.  The plug-in's notice names the path (Mazovia in the notice, UTF-8
# here), and its temporary file is removed under its Polish name.
rm -rf "$dir"/* && mkdir "$dir/$xml"
run --dir "$dir" >/dev/null 2>"$work/err"; status=$?
check "a run that cannot replace its file exits 8" test $status -eq 8
check "  its notice names the path with its letters" grep -qF "nie można zastąpić pliku $dir/$xml" "$work/err"
check "  the temporary file is removed" test ! -e "$dir/$xml.tmp"
check "  the folder at the export's name is untouched" test -d "$dir/$xml"

# The plug-in from a folder named with Polish letters: its missing-entry
# prompt names its own file with them.
mkdir -p "$work/Wtyczki Żółć" && cp "$PLUGIN" "$work/Wtyczki Żółć/ExportFKVentalor.so"
rm -rf "$dir"/*
"$TOMIVA" --firm "$firm" --dir "$dir" --today 2021-02-10 --plugin "$work/Wtyczki Żółć/ExportFKVentalor.so" --batch \
  "${answers[@]}" --withhold 35804 --prompt-answers ignore run "Eksport Ventalor (txt)" >/dev/null 2>"$work/err"
check "a plug-in in \"Wtyczki Żółć\" runs" cmp -s "$dir/$xml" "$DATA/golden_expected.xml"
check "  its prompt names its file with the letters" grep -qF "Wtyczki Żółć/ExportFKVentalor.so" "$work/err"

# Names that host text cannot hold: refused at start, exit 1, named.
mkdir -p "$work/Dokumenty €" "$work/Plik ş"
cp "$firm" "$work/Firma €.db"
cp "$PLUGIN" "$work/wtyczka ş.so"
# option value  what the message names
while IFS='|' read -r option value told; do
  "$TOMIVA" --firm "$firm" --dir "$dir" --plugin "$PLUGIN" --batch "$option" "$value" run "Eksport Ventalor (txt)" \
    >/dev/null 2>"$work/err"
  status=$?
  check "$option $value is refused with exit 1" test $status -eq 1
  check "  the refusal names it and the character" grep -qF -- "$option \"$value\" is refused: it holds $told" "$work/err"
done <<TABLE
--dir|$work/Dokumenty €|U+20AC
--firm|$work/Firma €.db|U+20AC
--plugin|$work/wtyczka ş.so|U+015F
TABLE
bad=$'\xff'
mkdir -p "$work/stary$bad"
"$TOMIVA" --firm "$firm" --dir "$work/stary$bad" --plugin "$PLUGIN" --batch run "Eksport Ventalor (txt)" \
  >/dev/null 2>"$work/err"; status=$?
check "a folder name that is not UTF-8 is refused with exit 1" test $status -eq 1
check "  and told so" grep -q "is not UTF-8 text" "$work/err"
check "nothing was written into a refused folder" test -z "$(find "$work/Dokumenty €" "$work/stary$bad" -mindepth 1)"

finish_checks
