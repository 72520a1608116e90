#!/usr/bin/env bash
# Sourced by the test scripts made of named cases (tools/ci/windows.sh,
# tests/core/binary_test.sh): one runner, one line per case and a closing count.
#   runCase NAME CASE [ARGS...]
#       runs CASE (a function or a program; what it prints says what it saw) and prints
#       "PASS NAME: what it saw" when it returns 0, "FAIL NAME: what it saw (load average L)"
#       otherwise: a slow failure says how busy the machine was.
#   countCases LABEL
#       prints "LABEL: N passed, N failed" and returns 1 when a case failed.
casesPassed=0
casesFailed=0

runCase() {
  local name=$1 seen
  shift
  if seen=$("$@" 2>&1); then
    casesPassed=$((casesPassed + 1))
    echo "PASS $name: $(tr '\n' ' ' <<<"$seen" | sed 's/ *$//')"
  else
    casesFailed=$((casesFailed + 1))
    echo "FAIL $name: $(tr '\n' ' ' <<<"$seen" | sed 's/ *$//')" \
      "(load average $(cut -d' ' -f1 /proc/loadavg))"
  fi
}

countCases() {
  echo "$1: $casesPassed passed, $casesFailed failed"
  [ "$casesFailed" -eq 0 ]
}
