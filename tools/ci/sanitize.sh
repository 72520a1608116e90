#!/usr/bin/env bash
# CI step: builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (gcc),
# runs the test suite in that build (all but the full-length show) and a short run of the
# demo of a few hundred frames. Any sanitizer report fails the step. Needs DISPLAY.
# Build folder: $QUORVANE_SANITIZE_BUILD, default build-sanitize/ next to build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_SANITIZE_BUILD:-$root/build-sanitize}
kShortRunSeconds=6  # about 300 frames at the demo's 50 per second

flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

# SDL installs its own SIGSEGV handler; ASan keeps the signal so a crash is reported in full.
export ASAN_OPTIONS=detect_leaks=1:allow_user_segv_handler=0:handle_abort=1:check_initialization_order=1
export LSAN_OPTIONS=suppressions=$root/tools/ci/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LIBGL_ALWAYS_SOFTWARE=1 SDL_AUDIODRIVER=dummy

(cd "$build" && ctest --output-on-failure -LE full_show)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$root/tests/hardening/make_inputs.py" data "$work/data"
"$root/tools/ci/short_run.sh" "$kShortRunSeconds" "$work" "$build/quorvane"
echo "sanitize: the suite and a ${kShortRunSeconds} s run of the demo under ASan and UBSan, no report"
