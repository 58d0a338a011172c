#!/usr/bin/env bash
# The main job: set up, build, write a demo firm database (a year of
# purchase invoices and corrections) and export it in batch mode.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc 2>/dev/null || echo 2)" --target tomiva ExportFKVentalor

demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
build/native/tomiva demo-firm "$demo/firm.db" --documents 1200 --year 2021

# The whole year, both kinds, an account and a register code per kind,
# branch, place of origin and the firm's number in the target system.
build/native/tomiva --firm "$demo/firm.db" --dir "$demo" --batch \
  --answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" \
  --answer "Faktury zakupu=1" --answer "Korekty zakupu=1" \
  --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP" \
  --answer "17=202" --answer "19=KOREKTY" \
  --answer "Kod oddzialu=CENTRALA" --answer "Miejsce powstania=MPK-01" --answer "ID firmy z KH=1" \
  run "Eksport Ventalor (txt)"

echo
echo "The options are kept in $demo/a_mas.cfg. At a terminal, the dialog is yours:"
echo "  build/native/tomiva --firm $demo/firm.db --dir $demo run \"Eksport Ventalor (txt)\""
