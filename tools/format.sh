#!/usr/bin/env bash
# Lays out the C++ under src/, tools/ and tests/ in the house style (.clang-format), in place.
#   --check  change nothing; list each line that differs and fail if any does (the CI step)
# ImageNames.inc is a list the scripts read one name a line, not code to lay out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
check=false
case "${1:-}" in
  --check) check=true ;;
  "") ;;
  *) echo "usage: tools/format.sh [--check]" >&2; exit 2 ;;
esac
command -v clang-format >/dev/null || {
  echo "quorvane format: clang-format is missing (tools/setup.sh style)" >&2
  exit 1
}
# Tracked and new files alike, without what .gitignore leaves out (the build folders) or npm
# fetched; a file deleted but not yet committed is skipped.
files=()
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  while IFS= read -r file; do
    [ -f "$file" ] && files+=("$file")
  done < <(git ls-files --cached --others --exclude-standard -- \
    'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
    ':!:*/node_modules/*' | sort -u)
else
  mapfile -t files < <(find src tools tests -name node_modules -prune -o \
    \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "quorvane format: no C++ files found" >&2; exit 1; }
if $check; then
  clang-format --dry-run -Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
