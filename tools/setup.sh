#!/usr/bin/env bash
# Installs the Debian packages that are not yet installed from the lists under
# tools/packages/ named as arguments (tools/setup.sh core capture installs core.txt and
# capture.txt), or from every list there when given none.
#   QUORVANE_SETUP_DRY_RUN=1  only print the packages it would install
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
lists=()
if [ $# -eq 0 ]; then
  lists=("$here"/packages/*.txt)
else
  for name in "$@"; do
    [ -f "$here/packages/$name.txt" ] || {
      echo "quorvane setup: no package list $name (tools/packages/$name.txt)" >&2
      exit 2
    }
    lists+=("$here/packages/$name.txt")
  done
fi
wanted=$(sed -e 's/#.*//' "${lists[@]}" | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for pkg in $wanted; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if [ -n "${QUORVANE_SETUP_DRY_RUN:-}" ]; then
  echo "quorvane setup: would install ${missing[*]:-nothing}"
  exit 0
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "quorvane setup: installing ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
