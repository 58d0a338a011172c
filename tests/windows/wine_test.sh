#!/usr/bin/env bash
# TOMIVA.exe and ExportFKVentalor.dll under Wine, without a display, in batch
# mode: the golden export (identical to the native one apart from CR LF line
# ends), also in a folder and from a firm and a plug-in path named with
# Polish letters, missing host entries of each calling convention answered with
# Ignore (the fallback must leave the caller's stack as the entry would),
# a subset of the missing-entry sweep with Abort and Ignore (the command
# abandoned cleanly), the loader's failures, TOMIVA.exe's own verify of a
# sound export and of one with an amount changed, and a demo firm exported by
# both builds (the native tomiva is required: without it the test fails).
# The host with latitude (--host-latitude N) exports the golden firm alike
# under a subset of N, and catches the contract breaches of a test plug-in,
# the stack pointer's among them.  Every complete export file is checked
# against the schema of the export format.
# PLUGIN_DLL is the tests' DLL (its prompts answered from --prompt-answers);
# the package's DLL, when given, exports the golden firm too, and answers
# no prompt from the environment.
#
# Usage: wine_test.sh [--route native|emulated] [--scope all|core]
#                     TOMIVA_EXE PLUGIN_DLL DATA_DIR WINEPREFIX NATIVE_TOMIVA [BREACH_DLL [SHIPPED_DLL]]
#   --route native    (the default) Wine as the machine runs it.  Where this
#                     machine cannot run 32-bit x86 programs, the test is
#                     skipped (exit 77) with the reason on one line.
#   --route emulated  every 32-bit program, Wine's among them, run by qemu's
#                     user-mode emulation (tests/windows/i386_route.sh).
#                     Where 32-bit programs run natively, the test only
#                     starts the route and is skipped (the native route runs
#                     the whole test), unless VENTALOR_EMULATE_I386=1; where
#                     they do not and the route cannot start, it fails.
#   --scope core      only the golden firm's export and TOMIVA.exe's verify
#                     of a sound export (0) and of a changed one (10).
# The Wine prefix is made once, natively where 32-bit programs run (else
# under emulation), and marked complete only when Wine made it whole: a
# prefix an interrupted run left half-made is removed and made again.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
route=native scope=all
while [[ ${1:-} == --* ]]; do
  case $1 in
    --route) route=$2; shift 2 ;;
    --scope) scope=$2; shift 2 ;;
    *) echo "wine_test.sh: unknown option $1"; exit 2 ;;
  esac
done
[[ $route == native || $route == emulated ]] || { echo "wine_test.sh: --route native or emulated"; exit 2; }
[[ $scope == all || $scope == core ]] || { echo "wine_test.sh: --scope all or core"; exit 2; }
EXE=$(realpath "$1") DLL=$(realpath "$2") DATA=$(realpath "$3") PREFIX=$(realpath -m "$4")
NATIVE=${5:+$(realpath -m "$5")}
BREACH=${6:+$(realpath -m "$6")}
SHIPPED=${7:+$(realpath -m "$7")}
SCHEMA=$(realpath "$here/../../docs/export-file.xsd")
command -v xmllint >/dev/null || { echo "xmllint is missing (scripts/setup.sh installs it)"; exit 1; }
command -v wine >/dev/null || { echo "wine is missing (scripts/setup_windows.sh installs it)"; exit 1; }
SKIPPED=77

export WINEPREFIX=$PREFIX WINEARCH=win32 WINEDEBUG=-all
# No .NET or browser installers in the prefix, no menu entries written for
# the programs it installs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8 # Wine hands the program its arguments from UTF-8
unset DISPLAY WAYLAND_DISPLAY

# The prefix lives in the build tree and is made once; a second test run
# that starts meanwhile waits for the first to finish making it.  The mark
# is written only after Wine made the prefix and its server ended.
mark=$PREFIX/.complete
ensure_prefix() {
  mkdir -p "$(dirname "$PREFIX")"
  (
    flock 9
    [[ -f $mark ]] && exit 0
    if [[ -e $PREFIX ]]; then
      echo "the Wine prefix $PREFIX was left half-made: making it again"
      wineserver -k 2>/dev/null
      rm -rf "$PREFIX"
    fi
    echo "creating the Wine prefix $PREFIX (${VENTALOR_I386_ROUTE:-native})"
    started=$SECONDS
    # Under emulation the first program may give up waiting for the
    # prefix; wineboot goes on and the server's end is what counts.  What
    # a whole prefix holds is then checked by its files: another Wine
    # session just to ask would cost minutes under emulation.
    wine wineboot --init >"$PREFIX.log" 2>&1
    wineserver -w
    if grep -q "configuration in .* has been updated" "$PREFIX.log" &&
       [[ -s $PREFIX/system.reg && -s $PREFIX/user.reg && -s $PREFIX/.update-timestamp &&
          -f $PREFIX/drive_c/windows/system32/kernel32.dll && -f $PREFIX/drive_c/windows/system32/cmd.exe ]]; then
      wine --version >"$mark"
      echo "the Wine prefix took $((SECONDS - started)) s"
    fi
  ) 9>"$PREFIX.lock"
  [[ -f $mark ]] || { echo "Wine cannot make its prefix in $PREFIX (its output: $PREFIX.log)"; exit 1; }
}

if [[ -z ${VENTALOR_I386_ROUTE:-} ]]; then
  # Outside any route: does this machine run 32-bit programs itself?
  source "$here/i386_route.sh"
  if i386_native; then
    natively=1
  else
    natively=0 why=$I386_WHY
  fi
  if [[ $route == native ]]; then
    if ((!natively)); then
      echo "SKIPPED: this machine runs 64-bit programs only: $why; Windows.UnderEmulation runs the DLL under qemu"
      exit $SKIPPED
    fi
    export VENTALOR_I386_ROUTE=native
  elif ((natively)) && [[ ${VENTALOR_EMULATE_I386:-} != 1 ]]; then
    # Where the kernel runs 32-bit programs, the full Wine test proves the
    # DLL and the emulated run (a quarter of an hour) is left out; the
    # route itself is still started, with the probe run through qemu.
    if bash "$here/i386_route.sh" emulated bash "$here/i386_route.sh" probe >/dev/null; then
      started="the emulated route starts (a 32-bit program ran through qemu-i386-static)"
    else
      started="the emulated route cannot start here (above)"
    fi
    echo "SKIPPED: 32-bit programs run natively here and Windows.UnderWine runs the whole Wine test; $started; VENTALOR_EMULATE_I386=1 runs this test under it"
    exit $SKIPPED
  else
    # The prefix is made natively where that is possible: under emulation
    # it takes many minutes.
    ((natively)) && VENTALOR_I386_ROUTE=native ensure_prefix
    bash "$here/i386_route.sh" emulated bash "$0" --route "$route" --scope "$scope" "$@"
    status=$?
    if ((status == I386_ROUTE_NOT_STARTED && natively)); then
      echo "SKIPPED: the emulated route cannot start here (above), and 32-bit programs run natively: Windows.UnderWine proves the DLL"
      exit $SKIPPED
    fi
    exit $status
  fi
fi
echo "32-bit programs: $VENTALOR_I386_ROUTE; scope: $scope"
ensure_prefix

work=$(mktemp -d)
if [[ $VENTALOR_I386_ROUTE == emulated ]]; then
  # A server that stays between the commands: under emulation, starting
  # Wine's services again for every command costs a minute each.
  wineserver -p
  trap 'cd /; rm -rf "$work"; wineserver -k 2>/dev/null; wineserver -w' EXIT
else
  trap 'cd /; rm -rf "$work"; wineserver -w' EXIT
fi
cd "$work" || exit 1
source "$here/../cli/checks.sh"
# The XML file with its CR LF line ends taken back to LF.
same_as_lf() { [[ -f $1 ]] && tr -d '\r' <"$1" | cmp -s - "$2"; }
# The export file, CR LF line ends and all, is valid against the schema.
valid() { [[ -f $1 ]] && xmllint --noout --schema "$SCHEMA" "$1" 2>/dev/null; }
# Every line of a text file ends in CR LF.
all_crlf() { [[ -s $1 && $(grep -c $'\r$' "$1") -eq $(wc -l <"$1") ]] && ! grep -q $'[^\r]$' "$1"; }

golden=$DATA/golden_expected.xml
xml=dir/qPX_2021-02-10.xml
dll_path=$(winepath -w "$DLL" 2>/dev/null)

wine "$EXE" new-firm firm.db </dev/null >/dev/null 2>&1 || { echo "TOMIVA.exe cannot write an empty firm"; exit 1; }
sqlite3 firm.db <"$DATA/golden_firm.sql" || { echo "cannot fill the golden firm"; exit 1; }

mkdir dir
source "$here/../cli/golden_answers.sh"
answers=("${GOLDEN_ANSWERS[@]}")
# The plug-in from the folder "plugins" next to TOMIVA.exe, as a user has it.
run() { wine "$EXE" --firm firm.db --dir dir --today 2021-02-10 --batch "$@" </dev/null; }

# --- The golden firm ------------------------------------------------------
out=$(run "${answers[@]}" run "Eksport Ventalor (txt)" 2>err); status=$?
check "batch export exits 0" test $status -eq 0
check "the export is the golden file apart from line ends" same_as_lf "$xml" "$golden"
check "the export's lines end in CR LF" all_crlf "$xml"
check "the export is valid against the schema" valid "$xml"
check "TOMIVA.exe says where the file is" grep -q "written: .*qPX_2021-02-10.xml" <<<"$out"
check "the summary is printed" grep -q "Ilość wyeksportowanych faktur zakupu:     7" err
check "the settings file holds the 258-byte record" test "$(stat -c %s dir/a_mas.cfg)" -eq 258
cp dir/a_mas.cfg ascii.cfg 2>/dev/null # to compare with a folder named with Polish letters
check "the host's INI file is text with CR LF" all_crlf dir/EksportFKVentalor.ini
check "the install notice is shown (no INI file yet)" grep -q "Zainstalowano wtyczk" err
check "the batch run verified its export against the firm" \
  grep -q "verified: .*qPX_2021-02-10.xml agrees with the firm: 9 documents" <<<"$out"

# --- TOMIVA.exe verify: a sound export, and one with an amount changed ------
cp "$xml" sound.xml
out=$(wine "$EXE" verify sound.xml --firm firm.db --from 2021-01-01 --to 2021-01-31 </dev/null 2>err); status=$?
check "TOMIVA.exe verify of the sound export: exit 0" test $status -eq 0
check "  it agrees with the firm" grep -q "^Result: the file agrees with the firm." <<<"$out"
sed 's#<KWOTA_NETTO>1100.00<#<KWOTA_NETTO>1100.01<#' sound.xml >changed.xml
out=$(wine "$EXE" verify changed.xml --firm firm.db --from 2021-01-01 --to 2021-01-31 </dev/null 2>err); status=$?
check "TOMIVA.exe verify of an amount changed by a grosz: exit 10" test $status -eq 10
check "  the mismatch is named" grep -q "position B 23%: net 1100.01" <<<"$out"

# Under emulation every command takes many seconds: the core ends here.
if [[ $scope == core ]]; then
  finish_checks
  exit
fi

# The package's DLL: the same export; a missing entry's prompt is the
# system's box (which Wine without a display closes at once), never
# answered from TOMIVA_PROMPT_ANSWERS nor printed by the plug-in.
if [[ -n $SHIPPED ]]; then
  shipped_path=$(winepath -w "$SHIPPED" 2>/dev/null)
  rm -rf dir/*
  run --plugin "$shipped_path" "${answers[@]}" run "Eksport Ventalor (txt)" >/dev/null 2>err; status=$?
  check "the package's DLL: exits 0" test $status -eq 0
  check "the package's DLL: the export is the golden file apart from line ends" same_as_lf "$xml" "$golden"
  rm -rf dir/*
  run --plugin "$shipped_path" "${answers[@]}" --withhold 35804 --prompt-answers ignore run "Eksport Ventalor (txt)" \
    >/dev/null 2>err
  check "the package's DLL answers no prompt from TOMIVA_PROMPT_ANSWERS" bash -c '! grep -q "brak wpisu" "$1"' _ err
fi

rm -rf dir/*
run --plugin "$dll_path" --cancel run "Eksport Ventalor (txt)" >/dev/null 2>&1; status=$?
check "cancel exits 0 (plug-in given by its Windows path)" test $status -eq 0
check "cancel writes no export" test ! -e "$xml"
check "plugins lists the entry" grep -q "Eksport Ventalor (txt)" <<<"$(run plugins 2>/dev/null)"

# --- Polish letters in the folder, the firm and the plug-in's path ---------
# TOMIVA.exe takes them from its UTF-16 command line, hands the plug-in the
# folder as host text (Mazovia) and opens everything with the wide functions;
# the plug-in moves its file into place with MoveFileExW.
polish="Księgowość Łódź"
mkdir "$polish" "Wtyczki Żółć"
cp "$DLL" "Wtyczki Żółć/ExportFKVentalor.dll"
wine "$EXE" new-firm "Firma Żółć.db" </dev/null >/dev/null 2>&1
sqlite3 "Firma Żółć.db" <"$DATA/golden_firm.sql" 2>/dev/null
check "TOMIVA.exe writes a firm named with Polish letters" test -s "Firma Żółć.db"
polish_win=$(winepath -w "$work/$polish" 2>/dev/null)
runpl() { wine "$EXE" --firm "Firma Żółć.db" --dir "$polish_win" --today 2021-02-10 --batch "${answers[@]}" "$@" \
            run "Eksport Ventalor (txt)" </dev/null; }
out=$(runpl --plugin "Wtyczki Żółć\ExportFKVentalor.dll" 2>err); status=$?
check "an export into $polish_win exits 0" test $status -eq 0
check "  and is the golden file apart from line ends" same_as_lf "$polish/qPX_2021-02-10.xml" "$golden"
check "  no temporary file is left" test ! -e "$polish/qPX_2021-02-10.xml.tmp"
check "  the settings file is in the folder, as in an ASCII one" cmp -s "$polish/a_mas.cfg" ascii.cfg
check "  the INI file is in the folder" all_crlf "$polish/EksportFKVentalor.ini"
check "  TOMIVA.exe names the file with its letters" grep -qF "written: $polish_win\\qPX_2021-02-10.xml" <<<"$out"
rm -rf "$polish"/*
runpl --plugin "Wtyczki Żółć\ExportFKVentalor.dll" --withhold 35804 --prompt-answers ignore >/dev/null 2>err
check "  the missing-entry prompt names the plug-in's file with its letters" grep -qF "Wtyczki Żółć\ExportFKVentalor.dll" err
rm -rf "$polish"/* && mkdir "$polish/qPX_2021-02-10.xml"
runpl >/dev/null 2>err; status=$?
check "a run that cannot replace its file in $polish exits 8" test $status -eq 8
check "  its notice names the path with its letters" grep -qF "$polish/qPX_2021-02-10.xml" err
check "  the temporary file is removed" test ! -e "$polish/qPX_2021-02-10.xml.tmp"
mkdir "Dokumenty €"
wine "$EXE" --firm "Firma Żółć.db" --dir "Dokumenty €" --batch run "Eksport Ventalor (txt)" </dev/null >/dev/null 2>err
status=$?
check "a folder that host text cannot hold is refused with exit 1" test $status -eq 1
check "  the refusal names it and the character" grep -qF -- '--dir "Dokumenty €" is refused: it holds U+20AC' err
check "  nothing is written there" test -z "$(find "Dokumenty €" -mindepth 1)"

# --- Missing entries answered with Ignore: each convention's fallback ------
# entry  what it checks
while read -r entry why; do
  rm -rf dir/*
  run "${answers[@]}" --withhold "$entry" --prompt-answers ignore run "Eksport Ventalor (txt)" >/dev/null 2>err
  status=$?
  # The Windows host cannot see look-ups: a withheld entry marks the command.
  check "$entry ignored ($why): exits 6" test $status -eq 6
  check "$entry ignored ($why): the export is still the golden file" same_as_lf "$xml" "$golden"
  check "$entry ignored: the export is valid against the schema" valid "$xml"
  check "$entry ignored: the prompt names the entry" grep -q "brak wpisu  $entry " err
done <<'TABLE'
35804 stdcall with five arguments, more than its number's last digits say
20956 thiscall, reached by the host through the dialog object's virtual table
41399 cdecl and variadic, from the plug-in's load entry point
TABLE

rm -rf dir/*
run "${answers[@]}" --withhold 35804 --prompt-answers retry,retry,ignore run "Eksport Ventalor (txt)" >/dev/null 2>err
check "Retry shows the same prompt again until Ignore" test "$(grep -c "brak wpisu  35804 " err)" -eq 3
check "after Retry and Ignore the export is the golden file" same_as_lf "$xml" "$golden"

# --- Missing entries answered with Abort and Ignore: a subset of the sweep --
# An abandoned call returns 0 through its entry's own fallback, which must
# remove exactly the entry's argument bytes: one entry of each convention
# and each area, with Abort and with Ignore.  The command then ends with the
# export written, or with no export file and the notice naming the entry (a
# file written out before the stop is told as such); the Windows host counts
# every withheld entry as missing, so each run exits 6 (or 5, for a dialog
# refused on the way).
# entry  what it is
while read -r entry why; do
  for answer in abort ignore; do
    rm -rf dir/*
    run "${answers[@]}" --withhold "$entry" --prompt-answers "$answer" run "Eksport Ventalor (txt)" >/dev/null 2>err
    status=$?
    what="$entry $answer ($why)"
    # 5 where a missing entry of the dialog left it refused (the status of a
    # refused dialog comes first).
    if grep -q "refused its answers" err; then
      check "$what: the refused dialog exits 5" test $status -eq 5
    else
      check "$what: exits 6" test $status -eq 6
    fi
    if grep -q "Polecenie przerwane" err; then
      check "$what: the notice names the entry" grep -q "Polecenie przerwane: brak wpisu $entry w programie" err
      if grep -q "Plik eksportu zapisano przed przerwaniem" err; then
        check "$what: the file written before the stop is whole" same_as_lf "$xml" "$golden"
      else
        check "$what: no export file is left" test ! -e "$xml"
        check "$what: no temporary file is left" test ! -e "$xml.tmp"
      fi
    elif grep -q "Eksport nie został zapisany" err; then
      # A stand-in answer that would leave amounts out (no VAT lines) ends
      # the run without a file.
      check "$what: no export file is left" test ! -e "$xml"
      check "$what: no temporary file is left" test ! -e "$xml.tmp"
    else
      # Under whatever date the host gave: an ignored date entry answers 0000-00-00.
      written=(dir/qPX_*.xml)
      check "$what: the export is written" test -s "${written[0]}"
      [[ $answer == ignore ]] || check "$what: the export is the golden file" same_as_lf "$xml" "$golden"
    fi
    check "$what: nothing is left to the host" bash -c '! grep -q "the plug-in left" "$1"' _ err
  done
done <<'TABLE'
52534 stdcall, 5 arguments, no fallback: files (the settings file first)
30520 stdcall, 5 arguments, a fallback: dates
52278 stdcall, 6 arguments, no fallback: the scan of documents
52328 stdcall, 6 arguments, a fallback: VAT lines
52314 stdcall, a double result: VAT rates
52352 stdcall, a fallback: contractors
52228 stdcall, a fallback: the progress window
35387 stdcall, 6 arguments, no fallback: text conversion, inside a line
21285 cdecl, no fallback: memory at set-up
52541 cdecl and variadic, no fallback: the export file's lines
24007 cdecl, 5 arguments, no fallback: running the dialog
20966 thiscall from the host's dialog, no fallback: Validate
20902 thiscall called by the plug-in, no fallback: the base's constructor
20903 thiscall called by the plug-in, a fallback: the base's destructor, last of all
TABLE

# --- The host with latitude -------------------------------------------------
# N mod 4096 picks the variations (1 bare names elsewhere, 2 lines in use only,
# 4 other results, 8 pattern fill, 256 larger blocks, 512 text-mode files, and
# the other bits from 16 on; 0 all); the checks, the stack pointer's
# around every call into the plug-in among them, run under every N > 0.
# 512 (text-mode files): the golden file with CR LF line ends, as the plain
# Windows host writes it, and a ^Z at the end, byte for byte.
{ LC_ALL=C sed 's/$/\r/' "$golden"; printf '\x1a'; } >golden_text_mode.xml
for n in 1 2 4 8 16 32 64 128 256 512 1024 2048 2063 4095; do
  rm -rf dir/*
  run "${answers[@]}" --host-latitude "$n" run "Eksport Ventalor (txt)" >/dev/null 2>err; status=$?
  check "latitude $n: exits 0" test $status -eq 0
  if (( n % 4096 == 0 || (n % 4096) & 512 )); then
    check "latitude $n: the export is the golden file in CR LF with a ^Z, byte for byte" cmp -s "$xml" golden_text_mode.xml
  else
    check "latitude $n: the export is the golden file apart from line ends" same_as_lf "$xml" "$golden"
  fi
  check "latitude $n: nothing broke the contract" bash -c '! grep -q "broke the host" "$1"' _ err
  if (( n % 4096 == 0 || n % 2 == 1 )); then
    check "latitude $n: the settings file lives among the bare names" test -s dir/tomiva-bare-names/a_mas.cfg
  fi
done
if [[ -n $BREACH && -f $BREACH ]]; then
  breach_path=$(winepath -w "$BREACH" 2>/dev/null)
  # breach  message
  while read -r what message; do
    rm -rf dir/*
    TOMIVA_TEST_BREACH=$what wine "$EXE" --firm firm.db --dir dir --plugin "$breach_path" --batch --host-latitude 7 \
      run "Naruszenie umowy" </dev/null >/dev/null 2>err
    status=$?
    check "breach $what under latitude: exits 11" test $status -eq 11
    check "breach $what under latitude: the message names it" grep -q "broke the host's contract: .*$message" err
  done <<'TABLE'
stack the command handler of the descriptor left the stack pointer 4 bytes above where it belongs
line-buffer it wrote past the end of the line buffer (5002 bytes, HostLineBuffer), found after HostCopyField (52161)
slot the dialog object's virtual-table slot 10 (entry 20966) is overridden
conversion HostConvertText (35387) was given a destination of 15007 bytes, beyond the 10005 of the contract
TABLE
  # Under 2048 the host calls into the plug-in with ESP at 4, 8 and 12
  # modulo 16 in turn, starting where N says: the command handler, the
  # same call of each run, meets each of them over three N.
  residues=""
  for n in 2048 6144 10240; do
    rm -rf dir/*
    TOMIVA_TEST_BREACH=stack-residue wine "$EXE" --firm firm.db --dir dir --plugin "$breach_path" --batch \
      --host-latitude "$n" run "Naruszenie umowy" </dev/null >/dev/null 2>err
    check "latitude $n: the handler that reports its stack exits 0" test $? -eq 0
    residues+=" $(tr -d '\r' <err | sed -n 's/^stack pointer at the call: \([0-9]*\) modulo 16$/\1/p')"
  done
  check "latitude 2048: the handler is called with ESP at 4, 8 and 12 modulo 16 (got$residues)" \
    test "$(tr ' ' '\n' <<<"$residues" | sed '/^$/d' | sort -n | paste -sd' ')" = "4 8 12"
else
  echo "SKIPPED: no test plug-in given: the latitude host's breaches are not tried under Wine"
fi

# --- The loader ------------------------------------------------------------
wine "$EXE" --firm firm.db --plugin 'C:\nowhere\none.dll' --batch run "Eksport Ventalor (txt)" </dev/null >/dev/null 2>err
status=$?
check "a missing plug-in exits 3" test $status -eq 3
check "a missing plug-in is named" grep -q "none.dll" err
wine "$EXE" --firm firm.db --plugin 'C:\windows\system32\version.dll' --batch plugins </dev/null >/dev/null 2>err
status=$?
check "a DLL without the entry points 30001 and 30008 is no plug-in" test $status -eq 3
check "the refusal says why" grep -q "no entry points 30001 and 30008" err
run run "Nie ma takiego" >/dev/null 2>&1; status=$?
check "an unknown entry exits 4" test $status -eq 4

# --- What this build has and has not ----------------------------------------
version=$(wine "$EXE" --version </dev/null 2>/dev/null | tr -d '\r')
check "TOMIVA.exe --version names the project's version" grep -qxE "tomiva \(ExportFKVentalor\) [0-9]+\.[0-9]+\.[0-9]+" <<<"$version"
out=$(wine "$EXE" verify "$golden" </dev/null 2>err); status=$?
check "TOMIVA.exe verify of the golden file alone (the schema): exit 0" test $status -eq 0
check "  valid" grep -q "the file is a valid export file" <<<"$out"
check "  and its --help offers verify" grep -q "verify FILE" <<<"$(wine "$EXE" --help </dev/null 2>/dev/null)"
tail -c +4 "$golden" >nomarker.xml
wine "$EXE" verify nomarker.xml </dev/null >out 2>err; status=$?
check "TOMIVA.exe verify of a file without the marker bytes: exit 10" test $status -eq 10
check "  and says so" grep -q "does not begin with the UTF-8 marker bytes" out

# --- A shared folder ---------------------------------------------------------
# A link planted at a name the run writes: nothing is written through it,
# nothing behind it moved; the export's name ends up a plain file.
for name in qPX_2021-02-10.xml.tmp a_mas.cfg.tmp a_mas.cfg; do
  rm -rf dir && mkdir dir && echo "another file" >victim && ln -s "$work/victim" "dir/$name"
  run --plugin "$dll_path" "${answers[@]}" run "Eksport Ventalor (txt)" >out 2>err
  check "a link at $name: exits 0" test $? -eq 0
  check "a link at $name: the other file is as it was, where it was" test "$(cat victim)" = "another file"
  check "a link at $name: the export is whole, a plain file" bash -c "[[ ! -L $xml ]] && tr -d '\r' <$xml | cmp -s - '$golden'"
  check "a link at $name: no other temporary file is left" \
    bash -c '[[ -z $(compgen -G "dir/*.tmp" | grep -vxF "dir/$1") ]]' _ "$name"
done
# The firm at the settings file's name, under a second name: refused, untouched.
rm -rf dir && mkdir dir && ln firm.db dir/a_mas.cfg
sum=$(md5sum <firm.db)
run --plugin "$dll_path" "${answers[@]}" run "Eksport Ventalor (txt)" >out 2>err
check "the firm at a_mas.cfg: exits 2" test $? -eq 2
check "the firm at a_mas.cfg: says so" grep -q "is the same file as dir.a_mas.cfg" err
check "the firm at a_mas.cfg: untouched" test "$(md5sum <firm.db)" = "$sum"
rm -f dir/a_mas.cfg
# Two runs at once into one folder: the export is one run's whole file.
for try in 1 2 3; do
  rm -rf dir && mkdir dir
  run --plugin "$dll_path" "${answers[@]}" run "Eksport Ventalor (txt)" >out1 2>&1 & first=$!
  sleep "0.$((RANDOM % 300))"
  run --plugin "$dll_path" "${answers[@]}" run "Eksport Ventalor (txt)" >out2 2>&1 & second=$!
  wait $first; s1=$?; wait $second; s2=$?
  check "runs at once ($try): both finish (exit $s1, $s2)" test "$s1$s2" = 00
  check "runs at once ($try): the export is whole" same_as_lf "$xml" "$golden"
  check "runs at once ($try): no temporary file is left" bash -c '! compgen -G "dir/*.tmp" >/dev/null'
done

# --- A demo firm through both builds ---------------------------------------
# The same firm file exported by the native tomiva and by TOMIVA.exe: the
# two export files differ in their line ends only, the settings files not at all.
# Without the native tomiva the comparison cannot be made, and that fails.
check "the native tomiva is there to compare with (${NATIVE:-none given}; build the native preset first)" \
  test -n "$NATIVE" -a -x "$NATIVE"
if [[ -n $NATIVE && -x $NATIVE ]]; then
  mkdir -p native windows
  year=(--answer "Od daty=2021-01-01" --answer "Do daty=2021-12-31" --answer "Faktury zakupu=1"
        --answer "Korekty zakupu=1" --answer "Konto kh (brutto)=202" --answer "Rejestr KH=ZAKUP"
        --answer "17=202" --answer "19=KOREKTY" --answer "Kod oddzialu=CENTRALA" --answer "Miejsce powstania=MPK-01"
        --answer "ID firmy z KH=1")
  "$NATIVE" demo-firm demo.db --documents 600 --seed 7 --year 2021 </dev/null >/dev/null
  "$NATIVE" --firm demo.db --dir native --today 2022-01-05 --batch "${year[@]}" run "Eksport Ventalor (txt)" \
    </dev/null >/dev/null 2>&1
  wine "$EXE" --firm demo.db --dir windows --today 2022-01-05 --batch "${year[@]}" run "Eksport Ventalor (txt)" \
    </dev/null >/dev/null 2>&1
  check "the native build exported the demo firm" test -s native/qPX_2022-01-05.xml
  check "both builds export the demo firm alike" same_as_lf windows/qPX_2022-01-05.xml native/qPX_2022-01-05.xml
  check "both builds save the same options record" cmp -s windows/a_mas.cfg native/a_mas.cfg
  check "the Windows export of the demo firm is valid against the schema" valid windows/qPX_2022-01-05.xml
  "$NATIVE" verify windows/qPX_2022-01-05.xml --firm demo.db --from 2021-01-01 --to 2021-12-31 >verify.out 2>&1
  status=$?
  check "the native tomiva verify reconciles the Windows export with the firm" test $status -eq 0
  check "  and says so" grep -q "^Result: the file agrees with the firm.$" verify.out
  check "both builds have one version" test "$("$NATIVE" --version)" = "$version"
fi

finish_checks
