#!/usr/bin/env bash
# Installs what is missing, builds, stages the installation in build/VeltoD and
# starts the program on it, with the demo mirror (the two newest demo days,
# build/mirror) served by a local nginx on 127.0.0.1:8478, which is also the
# proxy the demo's connection settings name: Update works without the
# internet. Without a display the program runs on a virtual one (Xvfb, of
# VELTOD_SCREEN pixels, 1024x768 unless set), and a screenshot is saved a few
# seconds after start.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
program="$PWD/build/VeltoD/bin/VeltoD.exe"
mirror_pid=""
start_mirror() {
  local dir="$PWD/build/demo-server"
  mkdir -p "$dir"
  # Run as root, nginx's workers are "nobody": the mirror must be readable.
  chmod -R a+rX build/mirror
  cat >"$dir/nginx.conf" <<CONF
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
daemon off;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:8478 default_server;
    root $PWD/build/mirror;
    # Any home page asked through the proxy answers, so the connection probe
    # finds its date here.
    location = / { return 200 "VeltoD demo mirror\n"; }
  }
}
CONF
  if (exec 3<>/dev/tcp/127.0.0.1/8478) 2>/dev/null; then
    echo "Port 8478 is taken; the demo mirror is not started (Update uses what answers there)."
    return
  fi
  nginx -p "$dir" -e "$dir/error.log" -c "$dir/nginx.conf" &
  mirror_pid=$!
}
stop_mirror() { [ -n "$mirror_pid" ] && kill "$mirror_pid" 2>/dev/null || true; }
start_mirror
# On a desktop, X or Wayland, the program shows there (in a Wayland session
# it chooses Xwayland itself when there is one).
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  trap stop_mirror EXIT
  "$program"
  exit
fi
shot="$PWD/build/screenshot.png"
display=":$(( 90 + RANDOM % 100 ))"
size="${VELTOD_SCREEN:-1024x768}"
width="${size%x*}"
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $program_pid $xvfb 2>/dev/null || true; stop_mirror' EXIT
sleep 1
DISPLAY="$display" "$program" &
program_pid=$!
sleep "${VELTOD_SCREENSHOT_DELAY:-4}"
# The screenshot shows today's news: the Today button, then the pointer on a
# row so that the message window shows its note (both measured from the right
# edge, where the main window and the day news stand).
DISPLAY="$display" xdotool mousemove $((width - 264)) 19 click 1 >/dev/null 2>&1 || true
sleep 1
DISPLAY="$display" xdotool mousemove $((width - 144)) 130 >/dev/null 2>&1 || true
sleep 1
DISPLAY="$display" xwd -root -silent | convert xwd:- "$shot"
echo "Screenshot of the running program: $shot"
if [ -z "${VELTOD_SCREENSHOT_ONLY:-}" ] && [ -t 0 ]; then
  echo "The program runs on the virtual display $display; press Enter to stop it."
  read -r _
fi
