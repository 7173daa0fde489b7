#!/bin/sh
# veltod: starts VeltoD on the user's own installation tree.
#
# The program updates the tree it runs from (received lists, history,
# settings, even its own executable), so every account gets a tree of its
# own, seeded on first start from the read-only copy the package ships.
set -eu

usage() {
  cat <<USAGE
Usage: veltod [--home DIR] [--update | --daily on|off] [--help] [--version]
       veltod [--home DIR] --mirror URL --key FILE

Starts VeltoD on your own installation tree, by default
\${XDG_DATA_HOME:-~/.local/share}/veltod, which is made from the shipped copy
on first start. VELTOD_HOME or --home DIR names another tree.

  --update        fetch and apply the new days without a window, then end
                  (0 days arrived, 3 up to date, 4 another update runs,
                  5 cancelled, 1 failed)
  --daily on|off  start or stop the daily update timer of your account
  --mirror URL --key FILE
                  update from the mirror at URL, whose lists and day
                  packages are signed with the public key in FILE
USAGE
}

here=$(dirname "$(readlink -f "$0")")
# Where the package puts the shipped copy: data under share/, programs under
# lib/ (relative to this script, so any install prefix works).
shipped_data=${VELTOD_SHIPPED_DATA:-$here/../share/veltod}
shipped_programs=${VELTOD_SHIPPED_PROGRAMS:-$here/../lib/veltod}
tree=${VELTOD_HOME:-${XDG_DATA_HOME:-${HOME:-/nonexistent}/.local/share}/veltod}
program_args=""
daily=""
mirror_url=""
mirror_key=""

while [ $# -gt 0 ]; do
  case $1 in
    --home) [ $# -ge 2 ] || { usage >&2; exit 2; }; tree=$2; shift 2 ;;
    --home=*) tree=${1#--home=}; shift ;;
    --help|-h) usage; exit 0 ;;
    --version) cat "$shipped_data/shipped-version"; exit 0 ;;
    # The update without a window, and the daily timer that runs it.
    --update) program_args="--update"; shift ;;
    --daily) [ $# -ge 2 ] || { usage >&2; exit 2; }; daily=$2; shift 2 ;;
    --daily=*) daily=${1#--daily=}; shift ;;
    --mirror|--key)
      [ $# -ge 2 ] || { usage >&2; exit 2; }
      if [ "$1" = --mirror ]; then mirror_url=$2; else mirror_key=$2; fi
      shift 2 ;;
    *) echo "veltod: unknown option '$1'" >&2; usage >&2; exit 2 ;;
  esac
done

fail() { echo "veltod: $*" >&2; exit 1; }

# The daily timer is the user's own systemd timer; it runs `veltod --update`
# on the default tree, or on the one named here through a drop-in.
if [ -n "$daily" ]; then
  dropin=${XDG_CONFIG_HOME:-${HOME:-/nonexistent}/.config}/systemd/user/veltod-update.service.d
  case $daily in
    on)
      mkdir -p "$dropin" || fail "cannot create $dropin"
      # Quoted for systemd, whose specifiers start with %.
      value=$(printf '%s' "$tree" | sed 's/\\/\\\\/g; s/"/\\"/g; s/%/%%/g')
      printf '[Service]\nEnvironment="VELTOD_HOME=%s"\n' "$value" > "$dropin/home.conf"
      systemctl --user daemon-reload && systemctl --user enable --now veltod-update.timer ||
        fail "the daily update timer could not be started" ;;
    off)
      rm -f "$dropin/home.conf"
      rmdir "$dropin" 2>/dev/null || true
      systemctl --user disable --now veltod-update.timer ||
        fail "the daily update timer could not be stopped" ;;
    *) echo "veltod: --daily takes on or off" >&2; usage >&2; exit 2 ;;
  esac
  exit 0
fi

[ -d "$shipped_data" ] && [ -x "$shipped_programs/VeltoD.exe" ] ||
  fail "the shipped copy is missing ($shipped_data, $shipped_programs)"

umask 022
stamp=$(cat "$shipped_data/shipped-version")
programs="VeltoD.exe veltod-unpack"

# A first start builds the whole tree beside its place and renames it in, so
# a start that is killed half-way leaves no half tree behind.
seed() {
  parent=$(dirname "$tree")
  mkdir -p "$parent" || fail "cannot create $parent"
  fresh="$tree.new~"
  rm -rf "$fresh"
  cp -R "$shipped_data" "$fresh" || fail "cannot copy the shipped tree to $fresh"
  for program in $programs; do
    cp "$shipped_programs/$program" "$fresh/bin/$program"
  done
  chmod -R u+w "$fresh"
  mv "$fresh" "$tree" || fail "cannot create $tree"
}

# A package upgrade brings a newer program (noticed by the stamp a seeded tree
# keeps in shipped-version; a tree this script did not seed, such as a
# build's, is left alone): it replaces the tree's programs and adds the
# shipped files the tree lacks. Lists, received files, settings and the links
# memory book are the user's and are never touched. While a self-update swap
# is under way its files decide, and the upgrade waits for a later start.
take_upgrade() {
  for swap in Veltodactualiz.exe Veltodcambio.exe; do
    [ -e "$tree/bin/$swap" ] && return 0
  done
  for program in $programs; do
    cp "$shipped_programs/$program" "$tree/bin/$program.new~" &&
      mv "$tree/bin/$program.new~" "$tree/bin/$program"
  done
  if [ -e "$shipped_data/bin/veltod.pub" ] && [ ! -e "$tree/Recibi/own-mirror" ]; then
    cp "$shipped_data/bin/veltod.pub" "$tree/bin/veltod.pub.new~" &&
      mv "$tree/bin/veltod.pub.new~" "$tree/bin/veltod.pub"
  fi
  (cd "$shipped_data" && find . -type d) | while IFS= read -r dir; do
    mkdir -p "$tree/$dir"
  done
  (cd "$shipped_data" && find . -type f) | while IFS= read -r file; do
    [ -e "$tree/$file" ] || cp "$shipped_data/$file" "$tree/$file"
  done
  cp "$shipped_data/shipped-version" "$tree/shipped-version.new~" && mv "$tree/shipped-version.new~" "$tree/shipped-version"
}

# The user's own mirror: its address becomes the tree's mirror list and its
# public key the key the tree checks lists and packages with. The choice is
# remembered (Recibi/own-mirror), so a package upgrade keeps that key. A tree
# that names no mirror when a local veltod-mirror service has published its
# address and key takes them.
local_mirror=${VELTOD_LOCAL_MIRROR:-/var/lib/veltod-mirror/public}
set_mirror() {
  url=$1 key=$2
  case $url in
    http://?*) ;;
    *) fail "the mirror address must begin with http:// ('$url')" ;;
  esac
  case $url in */) ;; *) url=$url/ ;; esac
  [ -r "$key" ] || fail "cannot read the key file $key"
  [ "$(tr -d ' \r\n' <"$key" | grep -cE '^[0-9a-fA-F]{64}$')" = 1 ] ||
    fail "$key holds no public key (64 hexadecimal digits, as veltod-publish keygen writes it)"
  printf '1\r\n%s\r\n' "$url" >"$tree/Recibi/espejos.fij.new~" &&
    mv "$tree/Recibi/espejos.fij.new~" "$tree/Recibi/espejos.fij"
  cp "$key" "$tree/bin/veltod.pub.new~" && mv "$tree/bin/veltod.pub.new~" "$tree/bin/veltod.pub"
  printf '%s\n' "$url" >"$tree/Recibi/own-mirror"
}
names_mirror() { grep -q 'http://' "$tree/Recibi/espejos.fij" 2>/dev/null && [ -e "$tree/bin/veltod.pub" ]; }
if [ -n "$mirror_url$mirror_key" ] && { [ -z "$mirror_url" ] || [ -z "$mirror_key" ]; }; then
  echo "veltod: --mirror and --key go together" >&2; usage >&2; exit 2
fi

if [ ! -e "$tree/bin/VeltoD.exe" ]; then
  if [ -e "$tree" ] && [ -n "$(ls -A "$tree" 2>/dev/null)" ]; then
    fail "$tree exists but holds no VeltoD installation; move it away or name another tree with --home"
  fi
  rmdir "$tree" 2>/dev/null || true
  seed
elif [ -e "$tree/shipped-version" ] && [ "$(cat "$tree/shipped-version")" != "$stamp" ]; then
  take_upgrade
fi

if [ -n "$mirror_url" ]; then
  set_mirror "$mirror_url" "$mirror_key"
  echo "veltod: $tree now updates from $(cat "$tree/Recibi/own-mirror")"
  exit 0
fi
if ! names_mirror && [ -r "$local_mirror/mirror-url" ] && [ -r "$local_mirror/veltod.pub" ]; then
  set_mirror "$(head -n 1 "$local_mirror/mirror-url")" "$local_mirror/veltod.pub"
fi

# shellcheck disable=SC2086 # no argument or exactly one word
exec "$tree/bin/VeltoD.exe" $program_args
