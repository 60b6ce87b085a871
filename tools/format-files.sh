# Sourced by tools/format and tools/check-format: the C++ sources under
# version control (new files not yet added included), and the formatter.
PAUSALO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# The release's own clang-format (14 on Debian 12, 19 on Debian 13): the
# sources are written so that both format them alike.
CLANG_FORMAT=clang-format

# require_clang_format: fails, naming the Debian package, without the formatter.
require_clang_format() {
  command -v "$CLANG_FORMAT" >/dev/null && return 0
  echo "$CLANG_FORMAT is missing (Debian package clang-format)." >&2
  exit 1
}

# cpp_sources: prints the paths of the sources, relative to PAUSALO_ROOT,
# one a line.
cpp_sources() {
  local file
  git -C "$PAUSALO_ROOT" ls-files --cached --others --exclude-standard -- '*.h' '*.hpp' '*.c' '*.cc' '*.cpp' |
    while IFS= read -r file; do
      [ -f "$PAUSALO_ROOT/$file" ] && printf '%s\n' "$file"
    done
}
