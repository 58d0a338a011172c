#!/usr/bin/env bash
# A dialog-base entry missing while the options dialog runs at a terminal
# (in tmux): the command is abandoned and tomiva exits 6, and the terminal's
# settings afterwards are those it had before (no raw mode left behind).
# Usage: abandon_terminal_test.sh TOMIVA PLUGIN DATA_DIR
set -uo pipefail
TOMIVA=$(realpath "$1") PLUGIN=$(realpath "$2") DATA=$(realpath "$3")
here=$(dirname "$0")
source "$here/checks.sh"
source "$here/sweep_common.sh"
command -v tmux >/dev/null || { echo "tmux is not installed"; exit 1; }

work=$(mktemp -d)
# A server of its own for each row: a server that is still going away
# unlinks its socket, which would take a new server's socket of the same name
# with it (seen on a loaded machine as "no server running").
sock=$work/sock.0
tmux_() { tmux -u -S "$sock" -f "$work/tmux.conf" "$@"; }
trap 'for s in "$work"/sock.*; do tmux -S "$s" kill-server 2>/dev/null; done; rm -rf "$work"' EXIT
printf 'set -g remain-on-exit on\nset -g default-terminal screen\n' >"$work/tmux.conf"
sweep_golden_firm "$TOMIVA" "$DATA" "$work/firm.db" || exit 1

# A first run in batch leaves the settings and the INI key behind, so that
# the interactive run shows no message that waits for Enter.
mkdir "$work/dir"
"$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" --batch \
  "${SWEEP_ANSWERS[@]}" run "Eksport Ventalor (txt)" </dev/null >/dev/null 2>&1
rm -f "$work/dir"/qPX_*.xml
printf '[EksportFKVentalor]\nPytaj=1\n' >"$work/dir/EksportFKVentalor.ini"

# Waits until the file exists or the pane shows the text; false after 20 s.
wait_for() {
  local i
  for ((i = 0; i < 400; ++i)); do
    if [[ $1 == file ]]; then [[ -s $2 ]] && return 0
    else tmux_ capture-pane -p -t sweep | grep -q "$2" && return 0; fi
    sleep 0.05
  done
  return 1
}

# entry  keys pressed in the dialog  what the entry is
while read -r entry keys why; do
  rm -f "$work"/{before,after,status,err}
  tmux_ kill-server 2>/dev/null
  sock=$work/sock.$entry
  cat >"$work/run.sh" <<SCRIPT
stty -g >"$work/before"
"$TOMIVA" --firm "$work/firm.db" --dir "$work/dir" --today 2021-02-10 --plugin "$PLUGIN" \
  --withhold $entry --prompt-answers abort run "Eksport Ventalor (txt)" 2>"$work/err"
echo \$? >"$work/status"
stty -g >"$work/after"
SCRIPT
  tmux_ new-session -d -x 100 -y 30 -s sweep "sh $work/run.sh"
  check "$entry ($why): the dialog is shown" wait_for pane "Zakres eksportu"
  for key in ${keys//,/ }; do
    tmux_ send-keys -t sweep "$key"
    sleep 0.3
  done
  check "$entry ($why): tomiva ends" wait_for file "$work/after"
  check "$entry ($why): the command is abandoned (status 6)" test "$(cat "$work/status" 2>/dev/null)" = 6
  check "$entry ($why): the user is told" grep -q "Polecenie przerwane: brak wpisu $entry" "$work/err"
  check "$entry ($why): the terminal is as it was" cmp -s "$work/before" "$work/after"
done <<'TABLE'
20960 F12,Escape the base's OnCommand, which the host calls for a pressed button
20967 Escape the base's OnInit, called before the first key
20966 F12,Escape the base's Validate, which OnCommand calls for OK
TABLE
finish_checks
