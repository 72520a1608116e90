#!/usr/bin/env bash
# CI step: the C++ is laid out as .clang-format says (tools/format.sh --check lists each line
# that is not), shellcheck finds nothing in any shell script under tools/, tests/ and .ci/
# (a *.sh file, or one whose first line starts a shell), and the JavaScript of the page and
# its tests is laid out as prettier lays it and passes eslint (both pinned in
# tools/jsstyle/package-lock.json). Takes seconds; needs no build.
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
# The JavaScript tools come from the lockfile, installed once and again only when it changes.
jsStyle=$root/tools/jsstyle
if ! command -v npm >/dev/null; then
  echo "style: installing Debian's npm for the JavaScript tools"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
if [ ! -f "$jsStyle/node_modules/.package-lock.json" ] ||
   [ "$jsStyle/package-lock.json" -nt "$jsStyle/node_modules/.package-lock.json" ]; then
  (cd "$jsStyle" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error >/dev/null) || {
    echo "style: npm ci failed in tools/jsstyle"
    exit 1
  }
fi
jsFiles=()
while IFS= read -r -d '' file; do jsFiles+=("$file"); done < <(
  find src/platform/web/page tests/web tools/jsstyle -name node_modules -prune -o \
    -type f \( -name '*.js' -o -name '*.mjs' \) -print0 | sort -z)
echo "style: prettier and eslint on ${#jsFiles[@]} JavaScript files"
"$jsStyle/node_modules/.bin/prettier" --config "$jsStyle/prettier.config.js" --check \
  --log-level warn "${jsFiles[@]}" ||
  { status=1; echo "style: run tools/jsstyle/format.sh to lay the JavaScript out"; }
"$jsStyle/node_modules/.bin/eslint" --config "$jsStyle/eslint.config.js" "${jsFiles[@]}" || status=1
exit $status
