#!/usr/bin/env bash
# Prints the first real error of a failed build log, with its context: the
# compiler's or linker's "error:", make's "***" lines, CMake's errors. A
# plain grep for "error" would stop at the first object file named errors.cpp.
log=$1
pattern='error:|Error:|\*\*\*|CMake Error|undefined reference|fatal|No rule to make target'
if grep -qaE "$pattern" "$log"; then
  line=$(grep -naE -m1 "$pattern" "$log" | cut -d: -f1)
  start=$((line > 5 ? line - 5 : 1))
  sed -n "${start},$((line + 25))p" "$log"
  echo "..."
  grep -aE "$pattern" "$log" | sed -n 2,20p
else
  tail -40 "$log"
fi
echo "(the whole log: $log)"
