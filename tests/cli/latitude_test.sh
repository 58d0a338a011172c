#!/usr/bin/env bash
# The host with latitude (tomiva --host-latitude N) on the command line: the
# export of the golden firm and of demo firms under several N is byte for
# byte the plain host's; the settings saved under a host that keeps bare
# names elsewhere come back at the next run and the batch check finds them;
# a contract breach planted by a test plug-in fails the run with exit 11 and
# a message that names it.
# Usage: latitude_test.sh TOMIVA PLUGIN BREACH_PLUGIN DATA_DIR
set -uo pipefail
TOMIVA=$1 PLUGIN=$2 BREACH=$3 DATA=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/checks.sh"
source "$(dirname "$0")/golden_answers.sh"

write_golden_firm "$work/golden.db"
"$TOMIVA" demo-firm "$work/demo1.db" --documents 600 --seed 3 >/dev/null || exit 1
"$TOMIVA" demo-firm "$work/demo2.db" --documents 250 --seed 11 --year 2022 >/dev/null || exit 1
# The golden firm with amounts on and beside a half grosz, whose rounding
# the C run-time's "%0.2f" would write with its locale's decimal point.
write_golden_firm "$work/halves.db"
sqlite3 "$work/halves.db" "UPDATE purchase_invoice SET amount = amount + 0.005;
  UPDATE purchase_correction SET amount = amount - 0.015; UPDATE vat_line SET amount = amount + 0.125, vat = vat + 0.0025;" ||
  exit 1

golden=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-01-31" --answer "Faktury zakupu=1"
        --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=2021" --answer "Rejestr KH=FZK-ZAKUP"
        --answer "17=7" --answer "19=KOR" --answer "Kod oddzialu=ODDZ&1" --answer "Miejsce powstania=Łódź <MPK>"
        --answer "ID firmy z KH=7")
year() { # YEAR: the answers of the whole year, both kinds, into the array answers
  answers=(--answer "Od daty=$1-01-01" --answer "Do daty=$1-12-31" --answer "Faktury zakupu=1"
           --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP"
           --answer "17=202" --answer "19=KOREKTY" --answer "Kod oddzialu=CENTRALA"
           --answer "Miejsce powstania=MPK-01" --answer "ID firmy z KH=1")
}
# The answers of each firm's export, into the array answers.
answers_of() {
  case $1 in
    golden|halves) answers=("${golden[@]}") ;;
    demo1) year 2021 ;;
    demo2) year 2022 ;;
  esac
}
# export FIRM DIR N ANSWERS...: a batch export under the latitude N.
export_with() {
  local firm=$1 dir=$2 n=$3; shift 3
  mkdir -p "$dir"
  "$TOMIVA" --firm "$firm" --dir "$dir" --today 2023-02-10 --plugin "$PLUGIN" --batch --host-latitude "$n" \
    "$@" run "Eksport Ventalor (txt)" >"$dir.out" 2>"$dir.err"
}

# The plain runs every latitude is compared with.
for firm in golden demo1 demo2 halves; do
  answers_of $firm
  export_with "$work/$firm.db" "$work/plain/$firm" 0 "${answers[@]}"
  check "the plain host exports $firm" test -s "$work/plain/$firm/qPX_2023-02-10.xml"
done
check "the plain host exports the golden file" cmp -s "$work/plain/golden/qPX_2023-02-10.xml" "$DATA/golden_expected.xml"

# N and the variations it picks (N mod 4096; 0 there: all of them): 1 bare
# names elsewhere, 2 lines in use only, 4 other results, 8 pattern fill, and
# the bits from 16 on (docs/latitude.md): 16 scan ends, 32 a failed look-up
# for a document without lines, 64 the directory's buffer reused, 128 the
# contractor slot moving, 256 larger blocks, 512 text-mode files, 1024 the
# Polish numeric locale.
for n in 1 2 4 8 16 32 64 128 256 512 1024 5 10 240 255 1279 4099 987654321; do
  for firm in golden demo1 demo2 halves; do
    answers_of $firm
    dir=$work/n$n/$firm
    export_with "$work/$firm.db" "$dir" "$n" "${answers[@]}"; status=$?
    check "N=$n $firm: exits 0" test $status -eq 0
    # 512 (text-mode files): the plain host's lines, each ended by CR LF, and a ^Z.
    expected=$work/plain/$firm/qPX_2023-02-10.xml
    if (( n % 4096 == 0 || (n % 4096) & 512 )); then
      expected=$work/plain/$firm/text-mode.xml
      [[ -e $expected ]] || { LC_ALL=C sed 's/$/\r/' "$work/plain/$firm/qPX_2023-02-10.xml"; printf '\x1a'; } >"$expected"
    fi
    check "N=$n $firm: the export is the plain host's, byte for byte" \
      cmp -s "$dir/qPX_2023-02-10.xml" "$expected"
    check "N=$n $firm: the batch check reconciled it with the firm" grep -q "^verified: .* agrees with the firm" "$dir.out"
    check "N=$n $firm: nothing broke the contract" bash -c '! grep -q "broke the host" "$1"' _ "$dir.err"
    if (( n % 4096 == 0 || n % 2 == 1 )); then
      check "N=$n $firm: the settings file lives among the bare names" test -s "$dir/tomiva-bare-names/a_mas.cfg"
      check "N=$n $firm: and not in the data directory" test ! -e "$dir/a_mas.cfg"
    else
      check "N=$n $firm: the settings file lives in the data directory" test -s "$dir/a_mas.cfg"
    fi
  done
done

# Bare names elsewhere: the settings saved come back at the next run, which
# has no answers and exports the same file again.
dir=$work/n1/golden
rm -f "$dir/qPX_2023-02-10.xml"
export_with "$work/golden.db" "$dir" 1; status=$?
check "the next run under N=1 loads the saved settings: exits 0" test $status -eq 0
check "  and exports the golden file again" cmp -s "$dir/qPX_2023-02-10.xml" "$DATA/golden_expected.xml"
check "  without the notice of a missing settings file" bash -c '! grep -q "konfiguracynego" "$1"' _ "$dir.err"

# The breaches of the test plug-in, under the plain host and under latitude.
breach() { # BREACH N
  mkdir -p "$work/breach"
  TOMIVA_TEST_BREACH=$1 "$TOMIVA" --firm "$work/golden.db" --dir "$work/breach" --plugin "$BREACH" --batch \
    --host-latitude "$2" run "Naruszenie umowy" >/dev/null 2>"$work/breach.err"
}
# breach  message
while read -r what message; do
  # (The sanitizer build's plain host may stop at the write: its line buffer
  # is exactly as large as promised, with nothing behind it.)
  breach "$what" 0; status=$?
  check "$what, plain host: not checked, no exit 11" test $status -ne 11
  breach "$what" 7; status=$?
  check "$what under latitude: exits 11" test $status -eq 11
  check "$what under latitude: the message names it" \
    grep -q "the command failed: the plug-in broke the host's contract: .*$message" "$work/breach.err"
done <<'TABLE'
line-buffer it wrote past the end of the line buffer (5002 bytes, HostLineBuffer), found after HostCopyField (52161)
slot the dialog object's virtual-table slot 10 (entry 20966) is overridden
TABLE
# The contract's sizes of a conversion (every N), and a host's block the
# plug-in writes into (256, the larger blocks).
while read -r what n message; do
  breach "$what" 0; status=$?
  check "$what, plain host: not checked, no exit 11" test $status -ne 11
  breach "$what" "$n"; status=$?
  check "$what under latitude $n: exits 11" test $status -eq 11
  check "$what under latitude $n: the message names it" \
    grep -q "the command failed: the plug-in broke the host's contract: .*$message" "$work/breach.err"
done <<'TABLE'
conversion 7 HostConvertText (35387) was given a destination of 15007 bytes, beyond the 10005 of the contract
block 256 the host's scan state (HostScanOpen) (1024 bytes, the whole reservation) changed at byte 1023
TABLE
breach none 7; status=$?
check "a test plug-in that breaks nothing exits 0 under latitude" test $status -eq 0

"$TOMIVA" --host-latitude -3 plugins >/dev/null 2>&1; status=$?
check "--host-latitude takes no negative number: exit 1" test $status -eq 1
check "--help tells of --host-latitude and exit 11" bash -c '"$1" --help | grep -q -- "--host-latitude N" && "$1" --help | grep -q "^  11 "' _ "$TOMIVA"

finish_checks
