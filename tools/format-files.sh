# Sourced by tools/format and tools/check-format: the C++ sources under
# version control (new files not yet added included), and the formatter.
PAUSALO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLANG_FORMAT=clang-format-14

# require_clang_format: fails, naming the Debian package, without the formatter.
require_clang_format() {
  command -v "$CLANG_FORMAT" >/dev/null && return 0
  echo "$CLANG_FORMAT is missing (Debian package clang-format-14)." >&2
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
