# Shared by ./run and ./test: the Debian packages Pausalo needs, and its build.
# Sourced, not run.

PAUSALO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the program needs (./run), the virtual display
# it falls back to without a desktop included.
PAUSALO_RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libxcb1-dev libxcb-xinput-dev
  libwayland-dev libwayland-bin plasma-wayland-protocols libsystemd-dev qt6-wayland
  xvfb xauth trayer openbox xdotool x11-utils imagemagick dbus-daemon dbus-bin python3
  fonts-dejavu-core fonts-liberation2
)

# What the test suite, the fuzzers, the benchmarks and the package checks add
# (./test).
PAUSALO_TEST_PACKAGES=(
  clang-14 libclang-rt-14-dev clang-format-14
  libxcb-xtest0-dev x11-xkb-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus-x11 at-spi2-core
  kwin-wayland sway mutter xwayland wtype i3-wm grim x11-xserver-utils
  waybar xfce4-panel xfconf
  desktop-file-utils appstream lintian dpkg-dev
)

PAUSALO_PACKAGES=("${PAUSALO_RUN_PACKAGES[@]}" "${PAUSALO_TEST_PACKAGES[@]}")

# missing_packages PACKAGE...: those of the packages not installed.
missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || printf '%s\n' "$package"
  done
}

# ensure_packages PACKAGE...: installs those that are missing, as root or
# through sudo when it needs no password; otherwise prints the command to
# run and fails.
ensure_packages() {
  local -a missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  local -a install=(apt-get install -y --no-install-recommends "${missing[@]}")
  local -a asRoot=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      asRoot=(sudo)
    else
      echo "Pausalo needs these Debian packages: ${missing[*]}" >&2
      echo "Install them as root with:" >&2
      echo "  apt-get update && ${install[*]}" >&2
      exit 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${asRoot[@]}" env DEBIAN_FRONTEND=noninteractive "${install[@]}" -qq
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
