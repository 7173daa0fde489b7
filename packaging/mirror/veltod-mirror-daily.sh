#!/bin/sh
# veltod-mirror's daily job: fetch the followed suites' indices with apt into
# a private folder, then publish what changed since yesterday as one day of
# the mirror tree that nginx serves. On its first start it makes the key pair
# and prints what a reader needs to trust the mirror.
#
# Run by veltod-mirror.service as the veltod-mirror user. For tests and for
# an administrator's trial run, the environment may name other places:
# VELTOD_MIRROR_CONF, VELTOD_MIRROR_STATE, VELTOD_PUBLISH, and
# VELTOD_MIRROR_LISTS_FROM, a folder of apt lists taken instead of the network.
set -eu

conf=${VELTOD_MIRROR_CONF:-/etc/veltod-mirror/veltod-mirror.conf}
state=${VELTOD_MIRROR_STATE:-/var/lib/veltod-mirror}
publish=${VELTOD_PUBLISH:-veltod-publish}
SUITES=""
PUBLIC_URLS=""
KEEP_DAYS=30
VALID_DAYS=7
# shellcheck source=/dev/null
. "$conf"

fail() { echo "veltod-mirror: $*" >&2; exit 1; }
lists=$state/apt/lists
mkdir -p "$state/mirror" "$state/public" "$lists/partial"
urls=$PUBLIC_URLS
[ -n "$urls" ] || urls="http://$(hostname -f 2>/dev/null || hostname):8478/"

# The secret key is readable by this user alone; the public half, beside the
# mirror's address, is what a reader takes.
if [ ! -s "$state/keys/veltod.sec" ]; then
  (umask 077 && mkdir -p "$state/keys")
  (umask 077 && "$publish" keygen "$state/public/veltod.pub.new~" "$state/keys/veltod.sec")
  chmod 644 "$state/public/veltod.pub.new~"
  mv "$state/public/veltod.pub.new~" "$state/public/veltod.pub"
  echo "veltod-mirror: made the mirror's key pair. Its public key:"
  cat "$state/public/veltod.pub"
  echo "Readers trust this mirror with: veltod --mirror ${urls%% *} --key FILE"
  echo "where FILE holds that key (a copy of $state/public/veltod.pub)."
fi
printf '%s\n' "${urls%% *}" >"$state/public/mirror-url.new~"
mv "$state/public/mirror-url.new~" "$state/public/mirror-url"

# Fetch: apt's own machinery, with its own verification of the signed
# Release files, into a folder of this service's.
if [ -n "${VELTOD_MIRROR_LISTS_FROM:-}" ]; then
  for file in "$VELTOD_MIRROR_LISTS_FROM"/*; do
    case ${file##*/} in
      *Release | *Release.gpg | *_Packages | *_Packages.*) cp "$file" "$lists/" ;;
    esac
  done
else
  [ -n "$SUITES" ] || fail "$conf names no suite to follow (SUITES)"
  mkdir -p "$state/apt/etc/sources.list.d" "$state/apt/cache/archives/partial"
  printf '%s\n' "$SUITES" >"$state/apt/etc/sources.list"
  apt-get update -q \
    -o Dir::State::Lists="$lists" \
    -o Dir::Etc::SourceList="$state/apt/etc/sources.list" \
    -o Dir::Etc::SourceParts="$state/apt/etc/sources.list.d" \
    -o Dir::Cache="$state/apt/cache" \
    -o Acquire::Languages=none \
    -o APT::Get::List-Cleanup=true ||
    fail "apt could not fetch the indices; nothing was published"
fi

set --
for index in "$lists"/*_binary-*_Packages "$lists"/*_binary-*_Packages.*; do
  [ -e "$index" ] && set -- "$@" "$index"
done
[ $# -gt 0 ] || fail "no Packages index in $lists"
mirrors=""
for url in $urls; do mirrors="$mirrors --mirror $url"; done
# shellcheck disable=SC2086
exec "$publish" changes --state "$state/state" --out "$state/mirror" --key "$state/keys/veltod.sec" \
  --keep-days "$KEEP_DAYS" --valid-until "$(date -u -d "+$VALID_DAYS days" +%Y%m%d)" $mirrors "$@"
