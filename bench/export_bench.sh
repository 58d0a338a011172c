#!/usr/bin/env bash
# Export benchmark: the whole export of demo firms of growing size through
# tomiva, against the cost of writing the same bytes (cp of the export
# file), and peak memory against firm size.  Prints figures and ratios; it
# judges nothing.  Usage: bench/export_bench.sh [DOCUMENTS ...]
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
((${#sizes[@]})) || sizes=(2000 20000)

command -v /usr/bin/time >/dev/null || { apt-get install -y -qq time >/dev/null; }
cmake --preset native >/dev/null
cmake --build --preset native --target tomiva ExportFKVentalor >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tomiva=build/native/tomiva
answers=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1"
         --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP")

# Seconds and peak kilobytes of one command, from GNU time, into $work/time;
# a command that fails stops the benchmark, naming it and its status.
measure() {
  local status=0
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/output" 2>&1 || status=$?
  if ((status)); then
    echo "export_bench: exit $status from: $*" >&2
    tail -n 5 "$work/output" >&2
    exit 1
  fi
}

printf "%10s %10s %12s %10s %10s %12s %10s\n" documents "export s" "bytes" "cp s" "ratio" "peak KiB" "KiB/doc"
for n in "${sizes[@]}"; do
  mkdir -p "$work/$n"
  "$tomiva" demo-firm "$work/$n/firm.db" --documents "$n" >/dev/null
  best_export=999999 best_cp=999999 peak=0
  for run in 1 2 3; do
    rm -f "$work/$n"/qPX_*.xml
    # The export alone: the check of the written file is verify's to time.
    measure "$tomiva" --firm "$work/$n/firm.db" --dir "$work/$n" --today 2021-12-31 --batch --no-verify \
      "${answers[@]}" run "Eksport Ventalor (txt)"
    read -r secs kib <"$work/time"
    best_export=$(echo "$secs $best_export" | awk '{print ($1 < $2) ? $1 : $2}')
    ((kib > peak)) && peak=$kib
    measure cp "$work/$n/qPX_2021-12-31.xml" "$work/$n/copy.xml"
    read -r cps _ <"$work/time"
    best_cp=$(echo "$cps $best_cp" | awk '{print ($1 < $2) ? $1 : $2}')
  done
  bytes=$(stat -c %s "$work/$n/qPX_2021-12-31.xml")
  ratio=$(echo "$best_export $best_cp" | awk '{printf "%.1f", ($2 > 0) ? $1 / $2 : 0}')
  perdoc=$(echo "$peak $n" | awk '{printf "%.2f", $1 / $2}')
  printf "%10s %10s %12s %10s %10s %12s %10s\n" "$n" "$best_export" "$bytes" "$best_cp" "$ratio" "$peak" "$perdoc"
done
echo "(best of 3 runs of the export with --no-verify; ratio = export time / time to copy the export file;"
echo " peak = largest resident set of the runs)"
