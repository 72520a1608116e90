#!/usr/bin/env bash
# CI step: the C++ is laid out as .clang-format says (tools/format.sh --check lists each line
# that is not), and shellcheck finds nothing in any shell script under tools/, tests/ and .ci/
# (a *.sh file, or one whose first line starts a shell). Takes seconds; needs no build.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root" || exit 1
command -v shellcheck >/dev/null || {
  echo "quorvane style: shellcheck is missing (tools/setup.sh style)" >&2
  exit 1
}
status=0
"$root/tools/format.sh" --check || { status=1; echo "style: run tools/format.sh to lay the C++ out"; }

scripts=()
while IFS= read -r -d '' file; do
  case $file in
    *.sh) scripts+=("$file") ;;
    *) head -n1 "$file" | grep -Eq '^#!.*[/ ](ba)?sh( |$)' && scripts+=("$file") ;;
  esac
done < <(find tools tests .ci -name node_modules -prune -o -type f -print0 | sort -z)
echo "style: shellcheck on ${#scripts[@]} scripts"
shellcheck --external-sources "${scripts[@]}" || status=1
exit $status
