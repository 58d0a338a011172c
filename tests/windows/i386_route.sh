#!/usr/bin/env bash
# How this machine runs 32-bit x86 programs, which Wine's 32-bit half and so
# TOMIVA.exe with the DLL are.  Some machines boot with the kernel's 32-bit
# emulation switched off: there every i386 program fails with "Exec format
# error", Wine's server among them.  Two routes:
#
#   native    the kernel runs i386 programs itself;
#   emulated  qemu's user-mode emulation (qemu-i386-static, Debian's
#             qemu-user-static) runs them, through a binfmt_misc entry that
#             hands it every i386 program.  The entry lives in a binfmt_misc
#             instance of a user namespace of its own where the kernel has
#             them (Linux 6.7 on), and goes with the namespace; elsewhere it
#             is registered for the whole machine under the name
#             ventalor-i386-<pid> and removed on every exit path (an entry
#             left by a run that was killed is removed by the next one).
#
# Usage:
#   i386_route.sh probe            exits 0 when this machine runs a 32-bit
#                                  x86 program (itself, or through an
#                                  emulator already registered for them);
#                                  otherwise prints why not, one line, exit 1
#   i386_route.sh emulated CMD...  runs CMD with every 32-bit x86 program it
#                                  starts run by qemu's user-mode emulation,
#                                  and exits with CMD's status; a route that
#                                  cannot be started prints which step failed
#                                  and why, one line, and exits 125
# Sourced, it defines i386_probe and i386_native (each sets I386_WHY when
# it fails).
#
# The probe is a 96-byte static i386 program that calls exit(42) through
# int 0x80; it is written where $I386_PROBE_DIR says (default: a folder of
# its own under $TMPDIR), since /tmp may be mounted noexec.

I386_ROUTE_NOT_STARTED=125

# The i386 ELF header's magic and mask, as binfmt_misc matches it (class
# 32-bit, little-endian, version 1, type executable or shared object,
# machine 3).
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# Runs the probe; 0 when it exited 42, else 1 with I386_WHY set.
i386_probe() {
  local dir rc out
  I386_WHY=""
  dir=$(mktemp -d "${I386_PROBE_DIR:-${TMPDIR:-/tmp}}/i386-probe.XXXXXX") || {
    I386_WHY="cannot make a folder for the probe program"
    return 1
  }
  printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00' \
    '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00' \
    '\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00' \
    '\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$dir/probe"
  chmod +x "$dir/probe"
  out=$("$dir/probe" 2>&1)
  rc=$?
  rm -rf "$dir"
  ((rc == 42)) && return 0
  # bash says "cannot execute binary file: Exec format error" where the
  # kernel refuses i386 programs; keep the reason, not the probe's path.
  out=${out##*: cannot execute binary file: }
  out=${out##*"$dir/probe": }
  I386_WHY="a 32-bit x86 program does not start (${out:-it exited $rc, not 42})"
  return 1
}

# Whether this machine runs 32-bit programs itself: the probe, unless
# VENTALOR_I386_NATIVE=no says to take it as one that cannot (to try the
# emulated route and the skips on a machine that can).
i386_native() {
  if [[ ${VENTALOR_I386_NATIVE:-} == no ]]; then
    I386_WHY="taken as refused, since VENTALOR_I386_NATIVE=no"
    return 1
  fi
  i386_probe
}

# One line on standard error naming the step that failed, then 125.
route_fail() {
  echo "the emulated route for 32-bit programs cannot start: $*" >&2
  exit "$I386_ROUTE_NOT_STARTED"
}

# Registers the entry NAME in the binfmt_misc instance at $1, with the
# interpreter opened now (flag F), so that it is found whatever root the
# program sees.
register_entry() {
  local dir=$1 name=$2 qemu=$3
  printf ':%s:M::%s:%s:%s:F\n' "$name" "$I386_MAGIC" "$I386_MASK" "$qemu" >"$dir/register" 2>/dev/null
}

# Inside the user namespace: a binfmt_misc instance of its own, the entry,
# the probe through it, then CMD in place of this shell.  Exit 86 before CMD
# when the kernel gives user namespaces no instance of their own.
emulated_inside_namespace() {
  local qemu=$1
  shift
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || exit 86
  register_entry /proc/sys/fs/binfmt_misc ventalor-i386 "$qemu" ||
    route_fail "registering qemu-i386-static in the namespace's binfmt_misc was refused"
  i386_probe || route_fail "with qemu-i386-static registered, $I386_WHY"
  echo started >"$VENTALOR_ROUTE_STARTED"
  export VENTALOR_I386_ROUTE=emulated
  exec "$@"
}

# The machine-wide entry: removed, with a mount this run made, on exit.
global_entry=""
global_mounted=0
remove_global_entry() {
  [[ -n $global_entry && -e $global_entry ]] && echo -1 >"$global_entry" 2>/dev/null
  global_entry=""
  if ((global_mounted)); then
    # Unmounted only when no other entry is left in it.
    if [[ -z $(find /proc/sys/fs/binfmt_misc -mindepth 1 -maxdepth 1 ! -name register ! -name status) ]]; then
      umount /proc/sys/fs/binfmt_misc 2>/dev/null
    fi
    global_mounted=0
  fi
}

emulated_machine_wide() {
  local qemu=$1 dir=/proc/sys/fs/binfmt_misc entry pid status
  shift
  if [[ ! -e $dir/register ]]; then
    mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null ||
      route_fail "mounting binfmt_misc on $dir was refused (is this root, and does the kernel have binfmt_misc?)"
    global_mounted=1
  fi
  trap remove_global_entry EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  # Entries of runs that were killed before they could remove them.
  for entry in "$dir"/ventalor-i386-*; do
    [[ -e $entry ]] || continue
    pid=${entry##*-}
    kill -0 "$pid" 2>/dev/null || echo -1 >"$entry" 2>/dev/null
  done
  global_entry=$dir/ventalor-i386-$$
  register_entry "$dir" "ventalor-i386-$$" "$qemu" ||
    route_fail "registering qemu-i386-static in $dir was refused"
  i386_probe || route_fail "with qemu-i386-static registered, $I386_WHY"
  VENTALOR_I386_ROUTE=emulated "$@"
  status=$?
  remove_global_entry
  return "$status"
}

emulated() {
  local qemu status started
  qemu=$(command -v qemu-i386-static) ||
    route_fail "qemu-i386-static is missing (scripts/setup_windows.sh installs qemu-user-static)"
  command -v unshare >/dev/null || route_fail "unshare is missing (Debian's util-linux)"
  # The namespace writes "started" here just before it runs CMD.
  # I386_ROUTE_MACHINE_WIDE=1 skips the namespace (to try the other way).
  if [[ ${I386_ROUTE_MACHINE_WIDE:-0} == 1 ]]; then
    emulated_machine_wide "$qemu" "$@"
    return $?
  fi
  VENTALOR_ROUTE_STARTED=$(mktemp) || route_fail "cannot make a temporary file"
  export VENTALOR_ROUTE_STARTED
  unshare --user --map-root-user --mount bash "${BASH_SOURCE[0]}" --inside-namespace "$qemu" "$@"
  status=$?
  started=$(cat "$VENTALOR_ROUTE_STARTED" 2>/dev/null)
  rm -f "$VENTALOR_ROUTE_STARTED"
  unset VENTALOR_ROUTE_STARTED
  # No instance of binfmt_misc of its own (a kernel before 6.7, or user
  # namespaces refused): the machine-wide entry instead.
  if [[ $started != started && $status -eq 86 ]]; then
    emulated_machine_wide "$qemu" "$@"
    return $?
  fi
  return "$status"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  case ${1:-} in
    probe)
      if i386_native; then echo "32-bit x86 programs run"; exit 0; fi
      echo "$I386_WHY"
      exit 1
      ;;
    emulated)
      shift
      (($#)) || { echo "usage: i386_route.sh emulated CMD..." >&2; exit 2; }
      emulated "$@"
      exit $?
      ;;
    --inside-namespace)
      shift
      emulated_inside_namespace "$@"
      ;;
    *)
      echo "usage: i386_route.sh probe | emulated CMD..." >&2
      exit 2
      ;;
  esac
fi
