# A private X display with a tray host (none when PAUSALO_NO_TRAY is set)
# and, when PAUSALO_WITH_WM is set, a window manager, for tests and for
# running without a desktop. Sourced, not run:
# start_virtual_display exports DISPLAY, stop_virtual_display ends what it
# started.

start_virtual_display() {
  local fdFile
  fdFile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdFile" 2>/dev/null &
  PAUSALO_XVFB_PID=$!
  local tries=0
  until [ -s "$fdFile" ]; do
    if ! kill -0 "$PAUSALO_XVFB_PID" 2>/dev/null || [ $((tries += 1)) -gt 100 ]; then
      echo "Xvfb did not start" >&2
      rm -f "$fdFile"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$fdFile")"
  rm -f "$fdFile"
  if [ -n "${PAUSALO_WITH_WM:-}" ]; then
    openbox --sm-disable >/dev/null 2>&1 &
    PAUSALO_WM_PID=$!
    for tries in $(seq 50); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.1
    done
  fi
  [ -n "${PAUSALO_NO_TRAY:-}" ] && return 0
  trayer --edge top --align right --widthtype request --height 24 --transparent false \
    >/dev/null 2>&1 &
  PAUSALO_TRAY_PID=$!
  # The tray is up once it has claimed the system-tray selection.
  for tries in $(seq 50); do
    xwininfo -root -tree 2>/dev/null | grep -qi panel && break
    sleep 0.1
  done
}

stop_virtual_display() {
  [ -n "${PAUSALO_TRAY_PID:-}" ] && kill "$PAUSALO_TRAY_PID" 2>/dev/null
  [ -n "${PAUSALO_WM_PID:-}" ] && kill "$PAUSALO_WM_PID" 2>/dev/null
  [ -n "${PAUSALO_XVFB_PID:-}" ] && kill "$PAUSALO_XVFB_PID" 2>/dev/null
  PAUSALO_TRAY_PID= PAUSALO_WM_PID= PAUSALO_XVFB_PID=
  return 0
}
