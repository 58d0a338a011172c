#!/usr/bin/env bash
# Scale benchmark: demo firms of growing size exported by the native tomiva
# and by TOMIVA.exe with the real DLL under Wine, against the floor (the
# sqlite3 shell reading the same six tables, plus cp of the export file) and
# against a straightforward Python exporter of the same file.  Prints one
# table; it judges nothing.  Every export of a firm is compared with the
# native one (Wine's with its CR LF taken back to LF).
#
# Usage: bench/scale_bench.sh [--runs N] [--huge] [DOCUMENTS ...]
#   DOCUMENTS   firm sizes (default 10000 30000 100000)
#   --huge      adds a firm of 2,000,000 documents (several minutes; the
#               Python exporter, which holds the whole file in memory, is
#               left out there)
#   --runs N    native, Wine and floor timings are the best of N runs (default 3)
# Other builds (the starting commit's, say) are measured with
#   TOMIVA=path/to/tomiva TOMIVA_EXE=path/to/TOMIVA.exe bench/scale_bench.sh
# (TOMIVA.exe loads the DLL from the folder "plugins" beside it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

runs=3 huge=0 sizes=()
while (($#)); do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --huge) huge=1; shift ;;
    *) sizes+=("$1"); shift ;;
  esac
done
((${#sizes[@]})) || sizes=(10000 30000 100000)
((huge)) && sizes+=(2000000)

command -v /usr/bin/time >/dev/null || apt-get install -y -qq time >/dev/null

if [[ -z ${TOMIVA:-} ]]; then
  cmake --preset native >/dev/null
  cmake --build --preset native -j2 --target tomiva ExportFKVentalor >/dev/null
  TOMIVA=$root/build/native/tomiva
fi
TOMIVA=$(realpath "$TOMIVA")
if [[ -z ${TOMIVA_EXE:-} ]]; then
  TOMIVA_EXE=$root/build/windows/TOMIVA.exe
  if [[ ! -f $TOMIVA_EXE || ! -f $root/build/windows/plugins/ExportFKVentalor.dll ]]; then
    (cmake --preset windows && cmake --build --preset windows -j2 --target TOMIVA ExportFKVentalorTest) >/dev/null 2>&1 ||
      echo "(the Windows build is missing and cannot be made here: see docs/windows.md; Wine is left out)"
  fi
fi
# The Wine column, where it can be had; each reason it cannot is said, and
# the other columns are measured all the same.
wine_ok=0 wine_why=""
source tests/windows/i386_route.sh
if [[ ! -f $TOMIVA_EXE ]]; then
  wine_why="TOMIVA.exe is not built"
elif ! command -v wine >/dev/null; then
  wine_why="wine is not installed (scripts/setup_windows.sh)"
elif ! i386_native; then
  # Under qemu's emulation TOMIVA.exe runs, but its times would be qemu's.
  wine_why="this machine runs 64-bit programs only: $I386_WHY"
else
  TOMIVA_EXE=$(realpath "$TOMIVA_EXE")
  # A prefix of its own: its server stays up for the whole benchmark (no
  # start-up in the timings) and must not keep the tests' prefix waiting.
  # Marked complete once made; a half-made one is made again.
  export WINEPREFIX=${WINEPREFIX:-$root/build/windows/bench-wineprefix} WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LC_ALL=C.UTF-8
  unset DISPLAY WAYLAND_DISPLAY
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [[ ! -f $WINEPREFIX/.complete ]]; then
    rm -rf "$WINEPREFIX"
    if wine wineboot --init >"$WINEPREFIX.log" 2>&1 && wineserver -w && [[ -f $WINEPREFIX/system.reg ]]; then
      wine --version >"$WINEPREFIX/.complete"
    fi
  fi
  if [[ ! -f $WINEPREFIX/.complete ]]; then
    wine_why="Wine cannot make its prefix in $WINEPREFIX (its output: $WINEPREFIX.log)"
  elif ! wineserver -p 2>"$WINEPREFIX.log" || ! wine "$TOMIVA_EXE" --version >>"$WINEPREFIX.log" 2>&1; then
    # The prefix's first start is not timed.
    wine_why="TOMIVA.exe does not start under Wine (its output: $WINEPREFIX.log)"
    wineserver -k 2>/dev/null || true
  else
    wine_ok=1
  fi
fi
((wine_ok)) || echo "(the Wine column is left out: $wine_why)"

work=$(mktemp -d)
trap 'rm -rf "$work"; ((wine_ok)) && wineserver -k 2>/dev/null || true' EXIT
answers=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1"
         --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP"
         --answer "17=202" --answer "19=KOREKTY" --answer "Kod oddzialu=CENTRALA"
         --answer "Miejsce powstania=MPK-01" --answer "ID firmy z KH=1")
tables="SELECT * FROM contractor; SELECT * FROM purchase_invoice; SELECT * FROM purchase_correction;
        SELECT * FROM vat_line; SELECT * FROM vat_rate; SELECT * FROM settings_block;"
xml=qPX_2021-12-31.xml

# "seconds peak-KiB" of one command, from GNU time.  Its output goes to a
# file, not to /dev/null: TOMIVA.exe takes a character device for a console
# and would draw its progress line there at every document, a call to
# Wine's server per character, which times Wine's console, not the export.
# A command that fails is noted in $work/failed (it runs in a process
# substitution, which cannot stop the benchmark); the row is then not
# printed and the benchmark exits 1, naming the command and its status.
measure() {
  local status=0
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/output" 2>&1 || status=$?
  if ((status)); then
    { echo "scale_bench: exit $status from: $*"; tail -n 5 "$work/output"; } >>"$work/failed"
  fi
  tail -n 1 "$work/time"
}
stop_on_failure() {
  [[ -s $work/failed ]] || return 0
  cat "$work/failed" >&2
  exit 1
}
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b) ? a : b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "-" && b != "-" && b > 0) printf "%.2f", a / b; else print "-" }'; }

declare -A native_s wine_s
printf "%9s %11s %8s %9s %9s %9s %7s %7s %11s %8s %8s %8s %9s %9s %10s %10s %10s %5s\n" documents bytes "native s" \
  "checked s" "verify s" "xmllint s" ver/xml chk/n+x "ver KiB/doc" "Wine s" "floor s" "nat/flr" "Wine/nat" "python s" \
  "py/nat" "KiB/doc" "Wine KiB" same
for n in "${sizes[@]}"; do
  dir=$work/$n
  mkdir -p "$dir/native" "$dir/wine" "$dir/python" "$dir/copy"
  "$TOMIVA" demo-firm "$dir/firm.db" --documents "$n" >/dev/null

  best=999999 floor_sql=999999 floor_cp=999999 peak=0
  for ((r = 0; r < runs; ++r)); do
    rm -f "$dir/native/$xml" "$dir/native/$xml.tmp"
    read -r s kib < <(measure "$TOMIVA" --firm "$dir/firm.db" --dir "$dir/native" --today 2021-12-31 --batch \
                              --no-verify "${answers[@]}" run "Eksport Ventalor (txt)" </dev/null)
    best=$(smaller "$s" "$best")
    ((kib > peak)) && peak=$kib
    read -r s _ < <(measure sqlite3 "$dir/firm.db" "$tables")
    floor_sql=$(smaller "$s" "$floor_sql")
    rm -f "$dir/copy/$xml"
    read -r s _ < <(measure cp "$dir/native/$xml" "$dir/copy/$xml")
    floor_cp=$(smaller "$s" "$floor_cp")
  done
  native_s[$n]=$best
  # The same run with the check a batch run makes of its file by default
  # (schema and firm, docs/verify.md): what a user pays for it on top.
  checked=999999
  for ((r = 0; r < runs; ++r)); do
    rm -f "$dir/native/$xml"
    read -r s _ < <(measure "$TOMIVA" --firm "$dir/firm.db" --dir "$dir/native" --today 2021-12-31 --batch \
                            "${answers[@]}" run "Eksport Ventalor (txt)" </dev/null)
    checked=$(smaller "$s" "$checked")
  done
  # tomiva verify of the file against the firm, and xmllint's streaming
  # validation of it against the schema, side by side: each run measures
  # both, one after the other, so that both see the same load.
  verify=999999 lint=999999 verify_peak=0
  for ((r = 0; r < runs; ++r)); do
    read -r s kib < <(measure "$TOMIVA" verify "$dir/native/$xml" --firm "$dir/firm.db" --from 2021-01-01 \
                              --to 2021-12-31 --scope invoices,corrections)
    verify=$(smaller "$s" "$verify")
    ((kib > verify_peak)) && verify_peak=$kib
    read -r s _ < <(measure xmllint --stream --noout --schema docs/export-file.xsd "$dir/native/$xml")
    lint=$(smaller "$s" "$lint")
  done
  verify_perdoc=$(awk -v a="$verify_peak" -v b="$n" 'BEGIN { printf "%.3f", a / b }')
  floor=$(awk -v a="$floor_sql" -v b="$floor_cp" 'BEGIN { printf "%.2f", a + b }')
  bytes=$(stat -c %s "$dir/native/$xml")
  same=yes

  wine="-" wine_peak="-"
  if ((wine_ok)); then
    cp "$dir/firm.db" "$dir/wine/"
    wine=999999 wine_peak=0
    for ((r = 0; r < runs; ++r)); do
      rm -f "$dir/wine/$xml" "$dir/wine/$xml.tmp"
      (cd "$dir/wine" &&
         measure wine "$TOMIVA_EXE" --firm firm.db --dir . --today 2021-12-31 --batch --no-verify "${answers[@]}" \
           run "Eksport Ventalor (txt)" </dev/null >"$work/wine_time")
      read -r s kib <"$work/wine_time"
      wine=$(smaller "$s" "$wine")
      ((kib > wine_peak)) && wine_peak=$kib
    done
    wine_s[$n]=$wine
    tr -d '\r' <"$dir/wine/$xml" | cmp -s - "$dir/native/$xml" || same=no
    rm -f "$dir/wine/firm.db"
  fi

  python="-"
  if ((n < 2000000)); then
    read -r python _ < <(measure python3 bench/straight_exporter.py "$dir/firm.db" "$dir/python")
    cmp -s "$dir/python/$xml" "$dir/native/$xml" || same=no
  fi

  stop_on_failure
  perdoc=$(awk -v a="$peak" -v b="$n" 'BEGIN { printf "%.3f", a / b }')
  printf "%9s %11s %8s %9s %9s %9s %7s %7s %11s %8s %8s %8s %9s %9s %10s %10s %10s %5s\n" "$n" "$bytes" "$best" \
    "$checked" "$verify" "$lint" "$(ratio "$verify" "$lint")" \
    "$(ratio "$checked" "$(awk -v a="$best" -v b="$lint" 'BEGIN { print a + b }')")" "$verify_perdoc" "$wine" "$floor" \
    "$(ratio "$best" "$floor")" "$(ratio "$wine" "$best")" "$python" "$(ratio "$python" "$best")" "$perdoc" \
    "$wine_peak" "$same"
  rm -rf "$dir"
done
echo "native s: the whole tomiva run (firm opened and checked, dialog, export, file read back), best of $runs;"
echo "checked s: the same with the check of the written file against the schema and the firm, best of $runs;"
echo "verify s: tomiva verify of the file against the firm; xmllint s: xmllint --stream --schema of the same file,"
echo "  measured in turn in each run, best of $runs each; ver/xml their ratio; chk/n+x: checked s against native s plus"
echo "  xmllint s (what the check costs beyond the export, against xmllint's); ver KiB/doc: verify's peak per document;"
echo "floor s: sqlite3 reading the six tables plus cp of the export file, each best of $runs;"
echo "Wine s: TOMIVA.exe with ExportFKVentalor.dll under Wine, best of $runs; python s: bench/straight_exporter.py;"
echo "KiB/doc: native peak resident memory per document; same: Wine's and Python's file equal to the native one."
first=${sizes[0]}
for n in "${sizes[@]:1}"; do
  printf "from %s to %s documents (x%s): native x%s" "$first" "$n" "$(ratio "$n" "$first")" \
    "$(ratio "${native_s[$n]}" "${native_s[$first]}")"
  ((wine_ok)) && printf ", Wine x%s" "$(ratio "${wine_s[$n]}" "${wine_s[$first]}")"
  echo
done
