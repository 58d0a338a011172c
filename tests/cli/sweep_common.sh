# Sourced by the sweeps over a real tomiva run: the golden firm, the answers
# of its export, and the checks every run of a sweep must pass.

# The answers of the golden export (tests/data/golden_expected.xml).
source "$(dirname "${BASH_SOURCE[0]}")/golden_answers.sh"
SWEEP_ANSWERS=("${GOLDEN_ANSWERS[@]}")

# sweep_golden_firm TOMIVA DATA_DIR FILE: writes the golden firm.
sweep_golden_firm() {
  "$1" new-firm "$3" >/dev/null || { echo "cannot write an empty firm"; return 1; }
  sqlite3 "$3" <"$2/golden_firm.sql" || { echo "cannot fill the golden firm"; return 1; }
}

# The entry numbers of the list, in slot order.
sweep_entry_numbers() { sed -n 's/^HOST_ENTRY(\([0-9]*\),.*/\1/p' "$1"; }

# No report of AddressSanitizer, LeakSanitizer or UndefinedBehaviorSanitizer,
# and no exception that left the program.
sweep_no_sanitizer_report() {
  ! grep -qE "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|terminate called|std::bad_alloc" "$1"
}

# tomiva says nothing of WHAT ("memory blocks", "files open") left behind.
sweep_nothing_left() { ! grep -q "the plug-in left .* $2" "$1"; }

# A well-formed XML file (the export has no declaration; xmllint takes it).
sweep_well_formed() { [[ -s $1 ]] && xmllint --noout "$1" 2>/dev/null; }

# The entry named by the first missing-entry prompt of a run.
sweep_first_prompted() { sed -n 's/^brak wpisu  \([0-9]*\) $/\1/p' "$1" | head -n 1; }

# The export file in DIR (qPX_*.xml), or nothing.
sweep_export_file() {
  local files=("$1"/qPX_*.xml)
  [[ -e ${files[0]} ]] && echo "${files[0]}"
}
