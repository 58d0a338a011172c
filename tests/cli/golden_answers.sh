# Sourced by the command-line tests: the answers of the golden export
# (tests/data/golden_expected.xml), its period and the rest apart.
GOLDEN_PERIOD=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-01-31")
GOLDEN_KINDS=(--answer "Faktury zakupu=1" --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=2021"
              --answer "Rejestr KH=FZK-ZAKUP" --answer "17=7" --answer "19=KOR" --answer "Kod oddzialu=ODDZ&1"
              --answer "Miejsce powstania=Łódź <MPK>" --answer "ID firmy z KH=7")
GOLDEN_ANSWERS=("${GOLDEN_PERIOD[@]}" "${GOLDEN_KINDS[@]}")
