# Sourced by the command-line tests: the answers of the golden export
# (tests/data/golden_expected.xml), its period and the rest apart, and the
# firms the tests write.
GOLDEN_PERIOD=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-01-31")
GOLDEN_KINDS=(--answer "Faktury zakupu=1" --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=2021"
              --answer "Rejestr KH=FZK-ZAKUP" --answer "17=7" --answer "19=KOR" --answer "Kod oddzialu=ODDZ&1"
              --answer "Miejsce powstania=Łódź <MPK>" --answer "ID firmy z KH=7")
GOLDEN_ANSWERS=("${GOLDEN_PERIOD[@]}" "${GOLDEN_KINDS[@]}")

# The golden firm written to PATH with TOMIVA from the data in DATA; the
# script ends when it cannot be.
write_golden_firm() { # PATH
  "$TOMIVA" new-firm "$1" >/dev/null || { echo "cannot write an empty firm"; exit 1; }
  sqlite3 "$1" <"$DATA/golden_firm.sql" || { echo "cannot fill the golden firm"; exit 1; }
}
# A demo firm of 20,000 documents at PATH, larger than SQLite's page cache:
# its runs read pages from the file.
write_large_firm() { # PATH
  "$TOMIVA" demo-firm "$1" --documents 20000 >/dev/null || { echo "cannot write a demo firm"; exit 1; }
}
