#!/usr/bin/env bash
# Makes 32-bit Windows programs (the win32 preset) runnable under Wine on a
# machine whose kernel runs no 32-bit Linux code:
#   tools/scripts/i686-setup.sh install   # install-deps.sh calls this
#   tools/scripts/i686-setup.sh check     # test.sh: is the i686 lane runnable?
# 32-bit Wine (wine32:i386) is an i386 Linux program. binfmt_misc hands every
# i386 ELF program to qemu-i386 (user-mode emulation). Bookworm's qemu 7.2
# crashes 32-bit programs that use threads, so qemu-i386 comes from
# bookworm-backports' qemu-user (a static build), downloaded with a private
# apt state (the machine's sources and package lists are left as they are)
# and unpacked into build/i686-qemu. The registration does not survive a
# reboot: both commands check it and redo it.
#
# Both exit 0 when the lane can run; otherwise they say loudly why, and exit
# 1 (install-deps.sh goes on: everything else still works).
set -uo pipefail
cmd=${1:?install or check}
root=$(cd "$(dirname "$0")/../.." && pwd)
qemu_dir=$root/build/i686-qemu
qemu=$qemu_dir/qemu-i386
handler=skovalt-i386
binfmt=/proc/sys/fs/binfmt_misc
wine32=/usr/lib/wine/wine
# The standard magic and mask for i386 ELF executables (e_machine 3).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# The qemu release at least: older ones crash threaded 32-bit programs.
qemu_major_min=8

sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo

cannot() {
  {
    echo "################################################################"
    echo "i686 lane: $*"
    echo "32-bit Windows programs cannot run here: the win32 tests will be"
    echo "SKIPPED (built, not run). See README.md, \"The 32-bit lane\"."
    echo "################################################################"
  } >&2
  exit 1
}

qemu_ok() { # PROGRAM: a qemu-i386 recent enough?
  local major
  [ -x "$1" ] || return 1
  major=$("$1" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [ -n "$major" ] && [ "$major" -ge "$qemu_major_min" ]
}

mount_binfmt() {
  [ -e "$binfmt/register" ] && return 0
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null
  [ -e "$binfmt/register" ]
}

# The interpreter of an enabled binfmt entry, or nothing.
entry_interpreter() {
  [ -f "$1" ] && grep -qx enabled "$1" && sed -n 's/^interpreter //p' "$1"
}

# Other enabled entries for i386 ELF (qemu-user-binfmt's, with bookworm's
# qemu 7.2, say).
foreign_i386_entries() {
  local e
  for e in "$binfmt"/*; do
    case $(basename "$e") in "$handler" | register | status) continue ;; esac
    [ -f "$e" ] && grep -qx enabled "$e" && grep -q '^magic 7f454c46010101000000000000000000020003' "$e" && echo "$e"
  done
}

# Our handler is registered, the only one for i386 ELF, and runs a good
# qemu-i386 (perhaps another clone's).
registered() {
  local current
  current=$(entry_interpreter "$binfmt/$handler")
  [ -n "$current" ] && [ -z "$(foreign_i386_entries)" ] && qemu_ok "$current"
}

# Registers our handler to build/i686-qemu/qemu-i386. Another handler for
# i386 ELF would take the programs first (the latest registration does), so
# it is disabled, saying so (echo 1 >ENTRY enables it again).
register() {
  local e
  qemu_ok "$qemu" || return 1
  for e in $(foreign_i386_entries); do
    echo "i686 lane: disabling the other i386 ELF handler $e ($(entry_interpreter "$e"))" >&2
    echo 0 | $sudo tee "$e" >/dev/null || return 1
  done
  [ -e "$binfmt/$handler" ] && { echo -1 | $sudo tee "$binfmt/$handler" >/dev/null || return 1; }
  # O: the interpreter gets the program as an open file; P: argv[0] is kept;
  # F: the kernel opens qemu-i386 now, so it works inside containers and
  # after build/ is removed, until the next reboot.
  echo ":$handler:M::$magic:$mask:$qemu:OPF" | $sudo tee "$binfmt/register" >/dev/null
}

# The Debian host of the machine's own sources: the first URI that serves
# the main archive (not the security one).
debian_host() {
  {
    sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | tr ' ' '\n'
    sed -n 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?\([^[:space:]]\+\).*/\2/p' \
      /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null
  } | grep -E '^(https?|file):' | grep -v -- '-security' | grep -E '/debian/?$' | head -1
}

# qemu-user from bookworm-backports, unpacked into build/i686-qemu.
fetch_qemu() {
  qemu_ok "$qemu" && return 0
  local host tmp opts deb
  host=$(debian_host)
  [ -n "$host" ] || { echo "i686 lane: no Debian archive in the machine's apt sources" >&2; return 1; }
  tmp=$(mktemp -d)
  mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial" "$tmp/parts"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${host%/} bookworm-backports main" >"$tmp/sources.list"
  opts=(-o "Dir::Etc::SourceList=$tmp/sources.list" -o "Dir::Etc::SourceParts=$tmp/parts"
    -o "Dir::State::Lists=$tmp/lists" -o "Dir::Cache=$tmp/cache" -o APT::Sandbox::User=root)
  echo "i686 lane: fetching qemu-user from bookworm-backports"
  if (cd "$tmp" && apt-get "${opts[@]}" -qq update && apt-get "${opts[@]}" -qq download qemu-user) >"$tmp/log" 2>&1 &&
    deb=$(ls "$tmp"/qemu-user_*.deb 2>/dev/null | head -1) && [ -n "$deb" ]; then
    mkdir -p "$qemu_dir"
    dpkg-deb --fsys-tarfile "$deb" | tar -x -O ./usr/bin/qemu-i386 >"$qemu.new" &&
      chmod 755 "$qemu.new" && mv "$qemu.new" "$qemu"
  else
    cat "$tmp/log" >&2
  fi
  rm -rf "$tmp"
  qemu_ok "$qemu"
}

install_wine32() {
  local p missing=()
  for p in wine32:i386 wine32-preloader:i386; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "i686 lane: installing ${missing[*]} (about 2 minutes)"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 || return 1
  fi
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq || return 1
  # Without the preloader every 32-bit Wine process takes about 60 s to start.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
    --no-install-recommends --no-remove wine32:i386 wine32-preloader:i386 >/dev/null
}

# 32-bit Wine starts at all (through qemu-i386).
wine32_runs() {
  [ -x "$wine32" ] && [ -x /usr/lib/wine/wine-preloader ] &&
    timeout 60 "$wine32" --version </dev/null >/dev/null 2>&1
}

# binfmt_misc mounted and our handler registered to a good qemu-i386.
handler_ready() {
  mount_binfmt || cannot "binfmt_misc is not mounted and cannot be (mount -t binfmt_misc binfmt_misc $binfmt)"
  registered && return 0
  fetch_qemu || cannot "no qemu-i386 of release $qemu_major_min or later (bookworm-backports' qemu-user) in $qemu_dir"
  register && registered || cannot "the binfmt_misc handler for i386 ELF could not be registered"
}

case $cmd in
install)
  handler_ready
  install_wine32 || cannot "wine32:i386 and wine32-preloader:i386 could not be installed"
  wine32_runs || cannot "32-bit Wine ($wine32) does not start through $(entry_interpreter "$binfmt/$handler")"
  ;;
check)
  # After a reboot the mount and registration are gone: redone here.
  handler_ready
  wine32_runs || cannot "32-bit Wine ($wine32, from wine32:i386 and wine32-preloader:i386) is not installed or does not start"
  ;;
*)
  echo "usage: $0 install|check" >&2
  exit 2
  ;;
esac
exit 0
