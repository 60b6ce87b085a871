# Shared by ./run and ./test: the Debian packages Pausalo needs, and its build.
# Sourced, not run.

PAUSALO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the program needs (./run), the virtual display
# it falls back to without a desktop included. A name with a leading "?" is
# a package that only some releases have: installed where apt knows it.
PAUSALO_RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  # Debian 13 moved Qt's SVG image plugin (the icons) out of libqt6svg6.
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev "?qt6-svg-plugins" libgl-dev
  libxcb1-dev libxcb-xinput-dev
  libwayland-dev libwayland-bin plasma-wayland-protocols libsystemd-dev qt6-wayland
  xvfb xauth trayer openbox xdotool x11-utils imagemagick dbus-daemon dbus-bin python3
  fonts-dejavu-core fonts-liberation2
)

# What the test suite, the benchmarks and the package checks add.
PAUSALO_TEST_PACKAGES=(
  libxcb-xtest0-dev x11-xkb-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus-x11 at-spi2-core
  kwin-wayland sway mutter xwayland wtype i3-wm grim x11-xserver-utils
  waybar xfce4-panel xfconf
  desktop-file-utils appstream lintian dpkg-dev
)

# What the fuzzers and the format check add: the release's own clang (14 on
# Debian 12, 19 on Debian 13).
PAUSALO_CHECK_PACKAGES=(clang libclang-rt-dev clang-format)

# Everything ./test needs.
PAUSALO_PACKAGES=("${PAUSALO_RUN_PACKAGES[@]}" "${PAUSALO_TEST_PACKAGES[@]}" "${PAUSALO_CHECK_PACKAGES[@]}")

# missing_packages PACKAGE...: those of the packages not installed.
missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || printf '%s\n' "$package"
  done
}

# available_packages PACKAGE...: the packages, one a line; a name with a
# leading "?" only where apt's package lists know it.
available_packages() {
  local package
  for package in "$@"; do
    if [[ $package != \?* ]]; then
      printf '%s\n' "$package"
    elif apt-cache show "${package#\?}" >/dev/null 2>&1; then
      printf '%s\n' "${package#\?}"
    fi
  done
}

# ensure_packages PACKAGE...: installs those of the available packages that
# are missing, as root or through sudo when it needs no password; otherwise
# prints the command to run and fails.
ensure_packages() {
  local -a available missing
  mapfile -t available < <(available_packages "$@")
  mapfile -t missing < <(missing_packages "${available[@]}")
  [ ${#missing[@]} -eq 0 ] && return 0
  local -a asRoot=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      asRoot=(sudo)
    else
      echo "Pausalo needs these Debian packages: ${missing[*]}" >&2
      echo "Install them as root with:" >&2
      echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
      exit 1
    fi
  fi
  "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  # The fresh package lists may know more of the packages of some releases.
  mapfile -t available < <(available_packages "$@")
  mapfile -t missing < <(missing_packages "${available[@]}")
  echo "Installing: ${missing[*]}"
  "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends -qq "${missing[@]}"
}

# build_tree DIR [--target T --] [cmake options...]: configures (once) and
# builds everything, or only target T.
build_tree() {
  local dir=$1
  shift
  local -a target=()
  if [ "${1:-}" = --target ]; then
    target=(--target "$2")
    shift 3
  fi
  cmake -S "$PAUSALO_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${target[@]}"
}

# The options the threaded tests run with under ThreadSanitizer (./test,
# tools/plant-faults). Qt and GLib are not built for it: their own memory
# accesses and the locks they synchronise them with are not seen, so at exit
# Qt's teardown of its D-Bus thread (its per-thread data, freed by the main
# thread after a wait on Qt's mutex) reads as a race. The library calls they
# make are not checked; every access in Pausalo's own code, inline Qt code
# such as QString's included, still is.
PAUSALO_TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1 suppressions=$PAUSALO_ROOT/tools/tsan.supp"

# run_release_suite DIR: the suite of the Release build in DIR, then the
# journeys. A user's day on each kind of session is mostly waiting for the
# program's minutes to pass, so all five run at once, with nothing else
# running (beside the fuzzers, the GNOME one lost its clock check twice).
run_release_suite() {
  local dir=$1 status=0
  echo "== Tests, Release build"
  ctest --test-dir "$dir" --output-on-failure --timeout 600 -j "$(nproc)" -LE journey || status=1
  echo "== Journeys, Release build"
  ctest --test-dir "$dir" --output-on-failure --timeout 600 -j 5 -L journey || status=1
  return $status
}
