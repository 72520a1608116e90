#!/usr/bin/env bash
# CI step: builds the image fuzzer with clang (libFuzzer, ASan, UBSan) and runs it for a
# bounded time on a seed corpus made by the hardening tests plus the kept regression
# inputs. Any crash, leak, timeout or out-of-memory fails the step; the input is left in
# the findings folder, to be fixed and then added to tests/hardening/corpus/.
# Needs DISPLAY (the fuzzer uploads to a real GL context).
#   QUORVANE_FUZZ_SECONDS  run time, default 60
#   QUORVANE_FUZZ_BUILD    build folder, default build-fuzz/ next to build/
#   QUORVANE_FUZZ_OUT      where the corpus and findings go, default a temporary folder
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORVANE_FUZZ_BUILD:-$root/build-fuzz}
seconds=${QUORVANE_FUZZ_SECONDS:-60}
kMaxInputBytes=65536   # room for every seed; the art is larger but has nothing new to say
kInputTimeout=20       # seconds for one input before it counts as a hang
kRssLimitMb=2560       # the decoder may zero a gigabyte for a lying header; more is a finding

# Only the fuzzer is built: every other tool folder is left out.
skip=$(find "$root/tools" -mindepth 1 -maxdepth 1 -type d ! -name fuzz -printf '%f\n' | sort |
  paste -sd';' -)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_FUZZ=ON -DBUILD_TESTING=OFF "-DQUORVANE_SKIP=$skip" >/dev/null
cmake --build "$build" --target quorvane-image-fuzzer -j"$(nproc)" >/dev/null

if [ -n "${QUORVANE_FUZZ_OUT:-}" ]; then
  out=$QUORVANE_FUZZ_OUT
  mkdir -p "$out"
else
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
fi
mkdir -p "$out/corpus" "$out/findings"
countFiles() { find "$1" -mindepth 1 -maxdepth 1 -printf . | wc -c; }
python3 "$root/tests/hardening/make_inputs.py" images "$out/seeds"
cp "$out/seeds/"*.bmp "$out/corpus/"
cp "$root/tests/hardening/corpus/"* "$out/corpus/"  # the kept inputs win over same-named seeds
seeds=$(countFiles "$out/corpus")

export LIBGL_ALWAYS_SOFTWARE=1
export LSAN_OPTIONS=suppressions=$root/tools/ci/lsan.supp:print_suppressions=0
# A header can make the loader ask for an impossible size (its height times pitch overflows);
# malloc then returns null and the loader reports "Out of memory", as it does outside ASan.
export ASAN_OPTIONS=allow_user_segv_handler=0:allocator_may_return_null=1
status=0
"$build/tools/fuzz/quorvane-image-fuzzer" "$out/corpus" -max_total_time="$seconds" \
  -max_len="$kMaxInputBytes" -timeout="$kInputTimeout" -rss_limit_mb="$kRssLimitMb" \
  -artifact_prefix="$out/findings/" -print_final_stats=1 >"$out/fuzz.log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz.log" | tail -1)
findings=$(countFiles "$out/findings")
echo "fuzz: ${executions:-?} executions in ${seconds} s, corpus $seeds seeds -> $(countFiles "$out/corpus") inputs, $findings findings"
if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
  grep -E 'ERROR|SUMMARY|Test unit written|#[0-9]+ 0x' "$out/fuzz.log" | head -40
  echo "fuzz FAILED (status $status); findings kept in $out/findings"
  trap - EXIT
  exit 1
fi
