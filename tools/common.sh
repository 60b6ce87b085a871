# Shared by ./run and ./test: the Debian packages Pausalo needs, and its build.
# Sourced, not run.

PAUSALO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything the build, the program and the whole test suite need.
PAUSALO_PACKAGES=(
  cmake ninja-build g++ pkg-config clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  libxcb1-dev libxcb-xinput-dev libxcb-xtest0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-xkb-utils trayer openbox xdotool x11-utils imagemagick dbus-x11
  fonts-dejavu-core fonts-liberation2
  desktop-file-utils appstream lintian dpkg-dev
)

missing_packages() {
  local package
  for package in "${PAUSALO_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || printf '%s\n' "$package"
  done
}

# Installs what is missing: as root, or through sudo when it needs no
# password; otherwise prints the command to run and fails.
ensure_packages() {
  local -a missing
  mapfile -t missing < <(missing_packages)
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
