#!/usr/bin/env bash
# tools/check-layers on a made-up source tree: it names exactly the includes
# against the layers, whatever the include's spelling, and passes a tree
# without them.
set -euo pipefail
checker=$(dirname "$0")/../../tools/check-layers
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

# source PATH INCLUDE...: a file of the tree that includes the given files.
source_file() {
  local path=$tree/$1
  shift
  mkdir -p "$(dirname "$path")"
  printf '#include %s\n' "$@" >"$path"
}
source_file platform/Colors.h '<QColor>'
source_file platform/WindowMessages.h '<cstdint>'
source_file platform/WindowMessages.cpp '"platform/WindowMessages.h"'
source_file breaks/Clock.h '<chrono>'
source_file widgets/Edit.h '"platform/Colors.h"'
source_file input/WinGod.h '"platform/Colors.h"'
source_file app/Form.h '"widgets/Edit.h"' '"input/WinGod.h"' '"breaks/Clock.h"' '"platform/Colors.h"' '"Form.h"'
source_file hooks/Host.h '"input/HookContract.h"' '<platform/WindowMessages.h>' '"hooks/Host.h"'
source_file tests/FormTest.cpp '"app/Form.h"' '"hooks/Host.h"'
source_file input/HookContract.h '"platform/WindowMessages.h"'
"$checker" "$tree" >/dev/null || { echo "FAIL: a tree that follows the layers is refused" >&2; exit 1; }

source_file breaks/Clock.cpp '"breaks/Clock.h"' '"platform/Colors.h"'
source_file widgets/Edit.cpp '"widgets/Edit.h"' '"app/Form.h"'
source_file hooks/Host.cpp '"../widgets/Edit.h"' '<input/WinGod.h>'
source_file input/HookContract.h '"platform/WindowMessages.h"' '"platform/Colors.h"'
expected="breaks/Clock.cpp:2: includes platform/Colors.h
hooks/Host.cpp:1: includes widgets/Edit.h
hooks/Host.cpp:2: includes input/WinGod.h
input/HookContract.h:2: includes platform/Colors.h
widgets/Edit.cpp:2: includes app/Form.h"
status=0
report=$("$checker" "$tree" 2>&1) || status=$?
found=$(grep -o '^[^;]*' <<<"$report" | grep ': includes ' || true)
if [ "$status" -ne 1 ] || [ "$found" != "$expected" ]; then
  printf 'FAIL: exit status %s, report:\n%s\nexpected:\n%s\n' "$status" "$report" "$expected" >&2
  exit 1
fi
echo "PASS"
