#!/usr/bin/env bash
# Installs what is missing from the package lists the suite and the chosen steps need (and
# says which), builds, and runs every test, after the style check (the C++ laid
# out by .clang-format, shellcheck on the scripts); then the CI steps: the sanitizer
# build with the suite and a short run, a bounded fuzzing run of the image path, a short
# run under valgrind, the Debian package unpacked and played, the short run on both
# SDL 1.2 runtimes, the page built for the browser and tested in headless Chromium, and the
# Windows programs cross-built and tried under Wine, the music against the picture measured at
# a sound server's sink (native on both runtimes and under Wine), and the release zip made
# twice, compared byte for byte and checked unpacked.
# Starts its own virtual display when none is given, so it passes with no screen and no
# sound card. Fails when any of them finds something.
#   QUORVANE_CI_STEPS  which steps to run (style before the suite, the rest after it), default
#                      "style sanitize fuzz valgrind package sdl_compat web windows sync
#                      release";
#                      empty for the suite only
# Arguments go to ctest.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
steps=${QUORVANE_CI_STEPS-style sanitize fuzz valgrind package sdl_compat web windows sync release}

# The package lists (tools/packages/) the suite needs, and those a step adds to them.
suiteLists="core capture tests art music"
stepLists() {
  case $1 in
    style) echo style ;;
    fuzz | valgrind | package | sdl_compat) echo hardening ;;
    web) echo web ;;
    windows) echo windows ;;
    release) echo release web windows ;;  # it builds the page and the Windows program
    sync) echo sync windows ;;            # it also meters quorvane.exe under Wine
    *) ;;                                 # sanitize: the suite's own
  esac
}
lists=$suiteLists
for step in $steps; do lists+=" $(stepLists "$step")"; done
read -ra lists <<<"$(tr ' ' '\n' <<<"$lists" | awk 'NF && !seen[$0]++' | tr '\n' ' ')"
if [ -z "${steps// /}" ]; then
  echo "quorvane test: the suite alone, which needs the package lists ${lists[*]}"
else
  echo "quorvane test: the suite and the steps $steps, which need the package lists ${lists[*]}"
fi
"$root/tools/setup.sh" "${lists[@]}" || exit 1
"$root/tools/build.sh" -DBUILD_TESTING=ON || exit 1
build=${QUORVANE_BUILD:-$root/build}

withDisplay() {
  if [ -z "${DISPLAY:-}" ]; then
    "$root/tools/own_display.sh" "$@"
  else
    "$@"
  fi
}

failed=()
summary=()
runStep() {  # name command...
  local name=$1 started status
  shift
  started=$(date +%s)
  echo "=== $name"
  "$@"
  status=$?
  summary+=("$name: $([ $status -eq 0 ] && echo passed || echo FAILED) in $(( $(date +%s) - started )) s")
  [ $status -eq 0 ] || failed+=("$name")
}

runTests() { (cd "$build" && withDisplay ctest --output-on-failure "$@"); }

# The style check takes seconds, so its verdict comes first.
for step in $steps; do
  [ "$step" = style ] && runStep style "$root/tools/ci/style.sh"
done
runStep tests runTests "$@"
for step in $steps; do
  [ "$step" = style ] && continue
  runStep "$step" withDisplay "$root/tools/ci/$step.sh"
done

echo "=== summary"
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}"; exit 1; }
