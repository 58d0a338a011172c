#!/usr/bin/env bash
# The main job: set up, build, write a demo firm database (a year of
# purchase invoices and corrections), export it in batch mode and verify the
# export against the firm.
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

# The export against the schema of the export format and the firm: a table
# per month and rate, the warnings, any mismatch; exit 6 if they disagree.
echo
build/native/tomiva verify "$(ls "$demo"/qPX_*.xml)" --firm "$demo/firm.db" \
  --from 2021-01-01 --to 2021-12-31 --scope invoices,corrections

echo
echo "The options are kept in $demo/a_mas.cfg. At a terminal, the dialog is yours:"
echo "  build/native/tomiva --firm $demo/firm.db --dir $demo run \"Eksport Ventalor (txt)\""
