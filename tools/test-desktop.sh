# The test desktop: the one way tests, benchmarks and ./run start display
# servers. Sourced, not run (tools/test-desktop is the command):
#
#   test_desktop_start [--wm | --i3] [--tray] [--waybar] [--xfce-panel] [--a11y]
#                      [--x | --kwin | --sway | --mutter | --current] [--xwayland]
#                      [--two-monitors]
#   test_desktop_stop
#
# test_desktop_start starts the servers asked for (default --x), each
# checked once for readiness, and exports what clients need: a private
# XDG_RUNTIME_DIR, a private session bus in DBUS_SESSION_BUS_ADDRESS, and
# DISPLAY and/or WAYLAND_DISPLAY, with XAUTHORITY and SWAYSOCK where the
# session has them (the caller's are not passed on). test_desktop_stop ends
# all of it.
#
#   --x          Xvfb, 1280x1024 (ready: it wrote its display number)
#   --kwin       headless kwin_wayland with fake input allowed
#   --xwayland   with --kwin, --sway or --mutter: an Xwayland display that
#                the compositor manages, in DISPLAY (and XAUTHORITY where
#                the compositor guards it), as on a real session of that
#                desktop (ready: a client the compositor started wrote it)
#   --sway       headless sway (as nobody when started by root, which it
#                refuses; its Xwayland then lets root's clients in); its
#                IPC socket in SWAYSOCK
#   --mutter     headless mutter with a 1024x768 virtual monitor
#                (ready: the socket answers a registry round trip; mutter
#                also owns org.gnome.Mutter.IdleMonitor on the bus); with
#                --xwayland the GNOME session: mutter, Xwayland, no tray
#   --two-monitors  with --x, --kwin, --sway or --mutter: two monitors side
#                by side, the first the primary (on --x: a 2560x1024 screen
#                split into two RandR monitors)
#   --current    no server, runtime folder or bus of its own: the window
#                manager and tray hosts go to the displays already in DISPLAY
#                and WAYLAND_DISPLAY, and to the session bus already there
#   --wm         openbox on the X display (the compositor's own with
#                --xwayland) (ready: _NET_SUPPORTING_WM_CHECK on the root
#                window)
#   --i3         i3 as the X display's window manager instead, with a
#                configuration of its own (no bar) (ready: as --wm, and
#                I3_SOCKET_PATH on the root window)
#   --tray       trayer on the X display
#                (ready: the _NET_SYSTEM_TRAY_S0 selection has an owner)
#   --waybar     waybar with its tray module alone, on a Wayland compositor
#                with layer shell (sway): a StatusNotifierItem host
#   --xfce-panel xfce4-panel with its notification area alone, on the X
#                display: a StatusNotifierItem host and an XEmbed tray host
#                (ready, both: org.kde.StatusNotifierWatcher on the session
#                bus says a host is registered)
#   --a11y       the accessibility bus a screen reader listens on
#                (at-spi-bus-launcher; the registry comes when first asked)
#                (ready: org.a11y.Bus on the session bus)
#
# User activity that the compositor itself counts comes from the test tool
# pausalo_inject (build/tests/support/pausalo_inject, run on the desktop):
#   pausalo_inject [--for kwin|sway|mutter] [--moves N | --seconds S] [--interval-ms M]
# moves the pointer through KWin's fake input, sway's virtual pointer or
# mutter's remote desktop, N times or for S seconds (continuous activity),
# every M ms, and returns once the compositor has handled the last move.
# XTEST (xdotool) input is for the X display only.
#
# Tests that must take a server away and start another drive this file
# through the C++ class pausalo::testing::TestDesktop
# (tests/support/TestDesktop.h).

TEST_DESKTOP_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Process groups of the servers, in start order.
TEST_DESKTOP_GROUPS=()
TEST_DESKTOP_DIR=
# What the caller had in the variables the desktop sets, NAME=VALUE.
TEST_DESKTOP_SAVED_ENVIRONMENT=()
TEST_DESKTOP_VARIABLES=(DISPLAY XAUTHORITY WAYLAND_DISPLAY SWAYSOCK I3SOCK XDG_RUNTIME_DIR DBUS_SESSION_BUS_ADDRESS)

test_desktop_start() {
  local server=x wm= tray= xwayland= a11y=
  TEST_DESKTOP_MONITORS=1
  TEST_DESKTOP_NOTIFIER_HOSTS=()
  while [ $# -gt 0 ]; do
    case $1 in
      --waybar | --xfce-panel) TEST_DESKTOP_NOTIFIER_HOSTS+=("${1#--}") ;;
      --x) server=x ;;
      --kwin) server=kwin ;;
      --sway) server=sway ;;
      --mutter) server=mutter ;;
      --current) server=current ;;
      --xwayland) xwayland=1 ;;
      --two-monitors) TEST_DESKTOP_MONITORS=2 ;;
      --wm) wm=openbox ;;
      --i3) wm=i3 ;;
      --tray) tray=1 ;;
      --a11y) a11y=1 ;;
      *) echo "test-desktop: unknown option $1" >&2; return 2 ;;
    esac
    shift
  done
  if [ -n "$xwayland" ] && ! [[ $server =~ ^(kwin|sway|mutter)$ ]]; then
    echo "test-desktop: --xwayland goes with --kwin, --sway or --mutter" >&2
    return 2
  fi
  if [ "$TEST_DESKTOP_MONITORS" = 2 ] && [ "$server" = current ]; then
    echo "test-desktop: --two-monitors goes with --x, --kwin, --sway or --mutter" >&2
    return 2
  fi
  if [ "$wm" = i3 ] && ! [[ $server =~ ^(x|current)$ ]]; then
    echo "test-desktop: --i3 goes with --x or --current" >&2
    return 2
  fi
  if [ "$server" = current ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "test-desktop: --current needs DISPLAY or WAYLAND_DISPLAY" >&2
    return 2
  fi
  local xDisplay=1
  case $server in
    kwin | sway | mutter) xDisplay=$xwayland ;;
    current) xDisplay=${DISPLAY:-} ;;
  esac
  _test_desktop_check_notifier_hosts "$server" "$xDisplay" || return 2
  if { [ -n "$wm" ] || [ -n "$tray" ]; } && [ -z "$xDisplay" ]; then
    echo "test-desktop: --wm, --i3 and --tray need an X display (--x or --xwayland)" >&2
    return 2
  fi
  if [ -n "$TEST_DESKTOP_DIR" ]; then
    echo "test-desktop: a test desktop is running already" >&2
    return 2
  fi

  local name
  TEST_DESKTOP_SAVED_ENVIRONMENT=()
  for name in "${TEST_DESKTOP_VARIABLES[@]}"; do
    [ -n "${!name+set}" ] && TEST_DESKTOP_SAVED_ENVIRONMENT+=("$name=${!name}")
  done
  TEST_DESKTOP_DIR=$(mktemp -d "${TMPDIR:-/tmp}/test-desktop.XXXXXX") || return 1
  if [ "$server" = current ]; then
    _test_desktop_start_extras "$wm" "$tray" "$a11y" && return 0
  else
    mkdir -m 700 "$TEST_DESKTOP_DIR/runtime" "$TEST_DESKTOP_DIR/home"
    export XDG_RUNTIME_DIR=$TEST_DESKTOP_DIR/runtime
    unset DISPLAY XAUTHORITY WAYLAND_DISPLAY SWAYSOCK I3SOCK
    _test_desktop_start_bus && "_test_desktop_start_$server" "$xwayland" && _test_desktop_start_extras "$wm" "$tray" "$a11y" &&
      return 0
  fi
  test_desktop_stop
  return 1
}

test_desktop_stop() {
  local index
  for ((index = ${#TEST_DESKTOP_GROUPS[@]} - 1; index >= 0; --index)); do
    _test_desktop_end_group "${TEST_DESKTOP_GROUPS[index]}"
  done
  TEST_DESKTOP_GROUPS=()
  [ -z "$TEST_DESKTOP_DIR" ] || rm -rf "$TEST_DESKTOP_DIR"
  TEST_DESKTOP_DIR=
  unset "${TEST_DESKTOP_VARIABLES[@]}"
  [ ${#TEST_DESKTOP_SAVED_ENVIRONMENT[@]} -gt 0 ] && export "${TEST_DESKTOP_SAVED_ENVIRONMENT[@]}"
  return 0
}

# Ends a server's process group; whatever still runs after two seconds is
# killed.
_test_desktop_end_group() {
  local group=$1
  if kill -TERM -- "-$group" 2>/dev/null; then
    for _ in $(seq 20); do
      kill -0 -- "-$group" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL -- "-$group" 2>/dev/null || true
  fi
  wait "$group" 2>/dev/null || true
}

# The variables test_desktop_start sets, NAME=VALUE a line; NAME= for one
# that clients must not have.
test_desktop_environment() {
  local name
  for name in "${TEST_DESKTOP_VARIABLES[@]}"; do
    printf '%s=%s\n' "$name" "${!name:-}"
  done
}

# _test_desktop_spawn LOG COMMAND...: starts COMMAND in a process group of
# its own (so that its children end with it), output to LOG in the desktop's
# folder.
_test_desktop_spawn() {
  local log=$TEST_DESKTOP_DIR/$1.log
  shift
  setsid "$@" </dev/null >"$log" 2>&1 &
  TEST_DESKTOP_GROUPS+=("$!")
}

# _test_desktop_await WHAT COMMAND...: retries COMMAND for up to 30 seconds
# while the last started server runs. On failure prints the server's log.
_test_desktop_await() {
  local what=$1 group=${TEST_DESKTOP_GROUPS[-1]}
  shift
  local tries
  for ((tries = 0; tries < 300; ++tries)); do
    "$@" >/dev/null 2>&1 && return 0
    kill -0 "$group" 2>/dev/null || break
    sleep 0.1
  done
  echo "test-desktop: $what did not come up" >&2
  tail -n 20 "$TEST_DESKTOP_DIR"/*.log >&2 2>/dev/null
  return 1
}

_test_desktop_file_filled() { [ -s "$1" ]; }

# A session bus that activates no services: nothing of the host's desktop
# starts behind a test's back.
_test_desktop_start_bus() {
  local config=$TEST_DESKTOP_DIR/bus.conf socket=$XDG_RUNTIME_DIR/bus
  cat >"$config" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  _test_desktop_spawn bus dbus-daemon --config-file="$config" --nofork --nopidfile \
    --print-address=3 3>"$TEST_DESKTOP_DIR/bus-address"
  _test_desktop_await "the session bus" _test_desktop_file_filled "$TEST_DESKTOP_DIR/bus-address" || return 1
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$socket
}

_test_desktop_start_x() {
  local numberFile=$TEST_DESKTOP_DIR/display-number
  _test_desktop_spawn x Xvfb -displayfd 3 -screen 0 "$((1280 * TEST_DESKTOP_MONITORS))x1024x24" -nolisten tcp -noreset \
    3>"$numberFile"
  _test_desktop_await "Xvfb" _test_desktop_file_filled "$numberFile" || return 1
  export DISPLAY=":$(head -n 1 "$numberFile")"
  [ "$TEST_DESKTOP_MONITORS" = 1 ] && return 0
  { xrandr --setmonitor Left 1280/339x1024/271+0+0 screen && xrandr --setmonitor Right 1280/339x1024/271+1280+0 none; } \
    >/dev/null
}

_test_desktop_wayland_answers() { "$TEST_DESKTOP_TOOLS/desktop-probe" wayland "$1"; }

# Compositors read and write settings under HOME: theirs is the desktop's.
_test_desktop_compositor_environment() {
  printf '%s\n' env HOME="$TEST_DESKTOP_DIR/home" XDG_CONFIG_HOME="$TEST_DESKTOP_DIR/home/.config" \
    XDG_CACHE_HOME="$TEST_DESKTOP_DIR/home/.cache" XDG_DATA_HOME="$TEST_DESKTOP_DIR/home/.local/share"
}

_test_desktop_start_kwin() {
  local xwayland=$1 socket=wayland-0 copy=$TEST_DESKTOP_DIR/kwin
  local -a compositorEnvironment
  mapfile -t compositorEnvironment < <(_test_desktop_compositor_environment)
  # The installed binary carries a file capability that a container cannot
  # grant, so it does not start; a plain copy with the same name does.
  mkdir "$copy" && cp "$(command -v kwin_wayland)" "$copy/kwin_wayland" || return 1
  local -a command=("$copy/kwin_wayland" --virtual --no-lockscreen --socket "$socket" --output-count
    "$TEST_DESKTOP_MONITORS")
  if [ -n "$xwayland" ]; then
    _test_desktop_prepare_x_socket_folder
    command+=(--xwayland --exit-with-session "sh $(_test_desktop_session_script "$TEST_DESKTOP_DIR" DISPLAY)")
  fi
  # Tests take pictures through KWin's screenshot interface.
  _test_desktop_spawn kwin "${compositorEnvironment[@]}" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 \
    KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 "${command[@]}"
  _test_desktop_await "kwin_wayland" _test_desktop_wayland_answers "$socket" || return 1
  export WAYLAND_DISPLAY=$socket
  [ -z "$xwayland" ] || _test_desktop_adopt_session "KWin's Xwayland" "$TEST_DESKTOP_DIR"
}

# _test_desktop_session_script FOLDER NAME...: writes a script for the
# compositor to start as one of its own clients, and prints its path. The
# compositor hands the variables NAME... (its Xwayland display, its IPC
# socket) only to the programs it starts: the script writes them down, as
# NAME=VALUE lines in FOLDER/session, and stays until the compositor ends
# (some end with the program they started). It also lets the desktop's
# user into the Xwayland display, which sway started as nobody guards
# against root's clients. Its process group goes into FOLDER/session-group:
# sway starts it in a session of its own, which does not end with sway.
_test_desktop_session_script() {
  local folder=$1 script=$1/session.sh
  shift
  {
    printf 'ps -o pgid= -p $$ >%s/session-group || exit 1\n' "$folder"
    printf '%s\n' "[ -z \"\${DISPLAY:-}\" ] || xhost +si:localuser:$(id -un) >/dev/null || exit 1"
    printf 'for name in %s; do printf "%%s=%%s\\n" "$name" "$(printenv "$name")"; done >%s/session.new\n' "$*" "$folder"
    printf 'mv %s/session.new %s/session && exec sleep infinity\n' "$folder" "$folder"
  } >"$script"
  chmod 755 "$script"
  printf '%s\n' "$script"
}

# _test_desktop_adopt_session WHAT FOLDER: waits for the script above to
# write FOLDER/session, then exports what it wrote; the script's process
# group ends with the desktop, before the compositor's.
_test_desktop_adopt_session() {
  _test_desktop_await "$1" _test_desktop_file_filled "$2/session" || return 1
  local line group
  group=$(tr -d ' ' <"$2/session-group")
  [[ " ${TEST_DESKTOP_GROUPS[*]} " == *" $group "* ]] || TEST_DESKTOP_GROUPS+=("$group")
  while IFS= read -r line; do
    [ -n "${line#*=}" ] && export "${line?}"
  done <"$2/session"
  return 0
}

_test_desktop_start_sway() {
  local xwayland=$1 runtime=$TEST_DESKTOP_DIR/sway-runtime config=$TEST_DESKTOP_DIR/sway.conf
  local -a compositorEnvironment asUser=() variables=(SWAYSOCK)
  mapfile -t compositorEnvironment < <(_test_desktop_compositor_environment)
  mkdir -m 700 "$runtime" || return 1
  if [ -n "$xwayland" ]; then
    _test_desktop_prepare_x_socket_folder
    variables+=(DISPLAY)
    echo "xwayland force" >"$config"
  else
    echo "xwayland disable" >"$config"
  fi
  echo "exec sh $(_test_desktop_session_script "$runtime" "${variables[@]}")" >>"$config"
  # sway refuses to run as root: then it runs as nobody, in folders of its
  # own that root's clients can still reach.
  if [ "$(id -u)" -eq 0 ]; then
    local nobody=65534
    chown "$nobody:$nobody" "$runtime" "$TEST_DESKTOP_DIR/home" && chmod 755 "$TEST_DESKTOP_DIR" || return 1
    asUser=(setpriv --reuid=$nobody --regid=$nobody --clear-groups)
  fi
  _test_desktop_spawn sway "${compositorEnvironment[@]}" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_HEADLESS_OUTPUTS="$TEST_DESKTOP_MONITORS" \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${asUser[@]}" sway --config "$config"
  _test_desktop_await "sway" _test_desktop_sway_socket "$runtime" || return 1
  local socket
  socket=$(_test_desktop_sway_socket "$runtime")
  # The clients' runtime folder names sway's socket, so that WAYLAND_DISPLAY
  # is a plain name as on a real session.
  ln -s "$runtime/$socket" "$XDG_RUNTIME_DIR/$socket"
  export WAYLAND_DISPLAY=$socket
  _test_desktop_adopt_session "sway's IPC socket and Xwayland" "$runtime"
}

# The name of the socket sway listens on, once it answers.
_test_desktop_sway_socket() {
  local socket
  for socket in "$1"/wayland-*; do
    [ -S "$socket" ] && _test_desktop_wayland_answers "$socket" >/dev/null && basename "$socket" && return 0
  done
  return 1
}

_test_desktop_bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    "string:$1" 2>/dev/null | grep -q 'boolean true'
}

_test_desktop_start_mutter() {
  local xwayland=$1 socket=wayland-0
  local -a compositorEnvironment command=(mutter --headless --wayland --wayland-display "$socket")
  for _ in $(seq "$TEST_DESKTOP_MONITORS"); do command+=(--virtual-monitor 1024x768); done
  mapfile -t compositorEnvironment < <(_test_desktop_compositor_environment)
  if [ -n "$xwayland" ]; then
    _test_desktop_prepare_x_socket_folder
    # mutter ends with the program it started.
    command+=(-- sh "$(_test_desktop_session_script "$TEST_DESKTOP_DIR" DISPLAY XAUTHORITY)")
  else
    command+=(--no-x11)
  fi
  _test_desktop_spawn mutter "${compositorEnvironment[@]}" "${command[@]}"
  _test_desktop_await "mutter" _test_desktop_wayland_answers "$socket" || return 1
  _test_desktop_await "mutter's idle monitor" _test_desktop_bus_name_owned org.gnome.Mutter.IdleMonitor || return 1
  export WAYLAND_DISPLAY=$socket
  [ -z "$xwayland" ] || _test_desktop_adopt_session "mutter's Xwayland" "$TEST_DESKTOP_DIR"
}

# Xwayland puts its socket into /tmp/.X11-unix, which only Xvfb creates for
# itself.
_test_desktop_prepare_x_socket_folder() {
  [ -d /tmp/.X11-unix ] && return 0
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
}

_test_desktop_wm_announced() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id #'; }

_test_desktop_i3_announced() { _test_desktop_wm_announced && xprop -root I3_SOCKET_PATH 2>/dev/null | grep -q '"'; }

_test_desktop_start_extras() {
  local wm=$1 tray=$2 a11y=$3
  case $wm in
    # A compositor with Xwayland manages the X windows itself.
    openbox) [ -n "${WAYLAND_DISPLAY:-}" ] || _test_desktop_spawn wm openbox --sm-disable ;;
    i3) _test_desktop_start_i3 || return 1 ;;
  esac
  if [ -n "$wm" ]; then
    _test_desktop_await "the window manager" _test_desktop_wm_announced || return 1
  fi
  if [ -n "$tray" ]; then _test_desktop_start_tray || return 1; fi
  if [ -n "$a11y" ]; then
    _test_desktop_spawn a11y /usr/libexec/at-spi-bus-launcher --launch-immediately --a11y=1
    _test_desktop_await "the accessibility bus" _test_desktop_bus_name_owned org.a11y.Bus || return 1
  fi
  _test_desktop_start_notifier_hosts
}

# i3 with a configuration of its own: Debian's starts a bar, a status line
# and a network applet. Without its first line i3 would take it for an old
# one and add a bar. Its IPC socket goes into the runtime folder.
_test_desktop_start_i3() {
  local config=$TEST_DESKTOP_DIR/i3.conf
  printf '%s\n' "# i3 config file (v4)" "font pango:DejaVu Sans 8" >"$config"
  _test_desktop_spawn wm i3 -c "$config"
  _test_desktop_await "i3's IPC socket" _test_desktop_i3_announced
}

# trayer, started again when it dies while starting (seen on a loaded
# machine).
_test_desktop_start_tray() {
  local attempt
  for attempt in 1 2 3; do
    # No accessibility bridge: the bus activates no services.
    _test_desktop_spawn tray env NO_AT_BRIDGE=1 trayer --edge top --align right --widthtype request --height 24 \
      --transparent false
    _test_desktop_await "the tray host (attempt $attempt)" \
      "$TEST_DESKTOP_TOOLS/desktop-probe" x-selection _NET_SYSTEM_TRAY_S0 && return 0
    _test_desktop_end_group "${TEST_DESKTOP_GROUPS[-1]}"
    unset 'TEST_DESKTOP_GROUPS[-1]'
  done
  return 1
}

# StatusNotifierItem hosts (--waybar, --xfce-panel), as asked in
# TEST_DESKTOP_NOTIFIER_HOSTS.
TEST_DESKTOP_NOTIFIER_HOSTS=()

# _test_desktop_check_notifier_hosts SERVER XDISPLAY: whether the desktop
# has what each asked host draws on.
_test_desktop_check_notifier_hosts() {
  local server=$1 xDisplay=$2 host
  for host in "${TEST_DESKTOP_NOTIFIER_HOSTS[@]}"; do
    case $host in
      waybar)
        if [ "$server" != sway ] && [ "$server" != kwin ] && { [ "$server" != current ] || [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
          echo "test-desktop: --waybar needs a Wayland compositor with layer shell (--sway, --kwin)" >&2
          return 1
        fi ;;
      xfce-panel)
        if [ -z "$xDisplay" ]; then
          echo "test-desktop: --xfce-panel needs an X display" >&2
          return 1
        fi ;;
    esac
  done
}

_test_desktop_start_notifier_hosts() {
  local host
  for host in "${TEST_DESKTOP_NOTIFIER_HOSTS[@]}"; do
    "_test_desktop_start_$host" || return 1
    _test_desktop_await "the $host StatusNotifierItem host" _test_desktop_notifier_host_registered || return 1
  done
}

_test_desktop_notifier_host_registered() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered \
    2>/dev/null | grep -q 'boolean true'
}

# A folder of the host's own in the desktop's folder, for its settings.
_test_desktop_host_folder() {
  local folder=$TEST_DESKTOP_DIR/$1
  mkdir -p "$folder" && printf '%s\n' "$folder"
}

_test_desktop_start_waybar() {
  local folder
  folder=$(_test_desktop_host_folder waybar) || return 1
  cat >"$folder/config" <<'EOF'
{ "layer": "top", "position": "top", "height": 26, "modules-right": ["tray"], "tray": { "icon-size": 16 } }
EOF
  printf '* { font-family: sans-serif; font-size: 12px; }\n' >"$folder/style.css"
  # No accessibility bridge: the bus activates no services.
  _test_desktop_spawn waybar env NO_AT_BRIDGE=1 HOME="$folder" XDG_CONFIG_HOME="$folder" \
    waybar --config "$folder/config" --style "$folder/style.css"
}

# xfce4-panel keeps its settings in xfconfd, which the bus does not
# activate: it runs beside the panel, with a panel of one notification area
# at the top left.
_test_desktop_start_xfce-panel() {
  local folder
  folder=$(_test_desktop_host_folder xfce-panel) || return 1
  local channels=$folder/xfce4/xfconf/xfce-perchannel-xml
  mkdir -p "$channels" || return 1
  cat >"$channels/xfce4-panel.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="1"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
EOF
  local -a environment=(env NO_AT_BRIDGE=1 HOME="$folder" XDG_CONFIG_HOME="$folder" XFCE_PANEL_MIGRATE_DEFAULT=1)
  _test_desktop_spawn xfconfd "${environment[@]}" /usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd
  _test_desktop_await "xfconfd" _test_desktop_bus_name_owned org.xfce.Xfconf || return 1
  _test_desktop_spawn xfce-panel "${environment[@]}" xfce4-panel --disable-wm-check
}
