#!/usr/bin/env bash
# CI step: a start-to-finish short run of the demo under valgrind's memcheck, ended by
# SIGTERM like Escape would end it. Any invalid read or write, use of uninitialised memory
# or leak not named in valgrind.supp (memory the libraries keep) fails the step.
# Uses build/ (tools/build.sh). Needs DISPLAY.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_BUILD:-$root/build}
kShortRunSeconds=4  # a few frames: llvmpipe under valgrind draws about one a second
kErrorStatus=99
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/tests/hardening/make_inputs.py" data "$work/data"

# One llvmpipe thread keeps the run deterministic and quicker under valgrind.
export LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=0 SDL_AUDIODRIVER=dummy
status=0
"$root/tools/ci/short_run.sh" "$kShortRunSeconds" "$work" \
  valgrind --tool=memcheck --log-file="$work/valgrind.log" --error-exitcode=$kErrorStatus \
  --leak-check=full --show-leak-kinds=definite,indirect,possible \
  --errors-for-leak-kinds=definite,indirect,possible --keep-debuginfo=yes \
  --suppressions="$root/tools/ci/valgrind.supp" --gen-suppressions=all --num-callers=30 -s \
  "$build/quorvane" || status=$?

grep -E 'definitely lost:|indirectly lost:|possibly lost:|still reachable:|suppressed: [0-9,]+ bytes' \
  "$work/valgrind.log" | sed 's/^==[0-9]*== */valgrind: /'
grep -E 'ERROR SUMMARY' "$work/valgrind.log" | tail -1 | sed 's/^==[0-9]*== */valgrind: /'
grep -E 'used_suppression' "$work/valgrind.log" | sed 's/^--[0-9]*-- */valgrind: /'
echo "valgrind: $(grep -c 'Invalid \(read\|write\)' "$work/valgrind.log") invalid reads/writes," \
     "$(grep -c 'uninitialised' "$work/valgrind.log") uses of uninitialised values"
if [ "$status" -ne 0 ]; then
  grep -v '^==[0-9]*== *$' "$work/valgrind.log" | head -150
  echo "valgrind FAILED"
  exit 1
fi
