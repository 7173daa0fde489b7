#!/usr/bin/env bash
# Installs what is missing, builds, stages the installation in build/VeltoD and
# starts the program on it. Without a display it runs on a virtual one (Xvfb),
# saves a screenshot a few seconds after start and prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
program="$PWD/build/VeltoD/bin/VeltoD.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec "$program"
fi
shot="$PWD/build/screenshot.png"
display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $program_pid $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" "$program" &
program_pid=$!
sleep "${VELTOD_SCREENSHOT_DELAY:-4}"
# The screenshot shows today's news: the Today button, then the pointer on a
# row so that the message window shows its note.
DISPLAY="$display" xdotool mousemove 760 19 click 1 >/dev/null 2>&1 || true
sleep 1
DISPLAY="$display" xdotool mousemove 880 130 >/dev/null 2>&1 || true
sleep 1
DISPLAY="$display" xwd -root -silent | convert xwd:- "$shot"
echo "Screenshot of the running program: $shot"
if [ -z "${VELTOD_SCREENSHOT_ONLY:-}" ] && [ -t 0 ]; then
  echo "The program runs on the virtual display $display; press Enter to stop it."
  read -r _
fi
