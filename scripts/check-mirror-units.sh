#!/usr/bin/env bash
# Checks veltod-mirror's systemd units with systemd's own verifier (the
# service's ExecStart pointed at the job in this source tree) and its shell
# scripts with shellcheck when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
sed "s#^ExecStart=.*#ExecStart=$PWD/packaging/mirror/veltod-mirror-daily.sh#" packaging/mirror/veltod-mirror.service \
  >"$scratch/veltod-mirror.service"
cp packaging/mirror/veltod-mirror.timer "$scratch/"
systemd-analyze verify --man=no "$scratch/veltod-mirror.service" "$scratch/veltod-mirror.timer"
if command -v shellcheck >/dev/null; then
  shellcheck packaging/mirror/veltod-mirror-daily.sh packaging/mirror/postinst tests/support/changed-packages.sh
fi
echo "mirror units: ok"
