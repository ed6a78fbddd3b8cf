#!/usr/bin/env bash
# Measures how many single-point faults the test suite catches. Each line of
# scripts/mutants.txt names a file, a line (a hint: a text found on one
# other line only is taken there), a text on that line and its
# replacement; the script applies one fault at a time, rebuilds, runs the test
# programs (fastest first, stopping at the first failure) and puts the file
# back. It prints one line per fault and "caught N/M" at the end.
#   scripts/mutants.sh [build-dir] [list]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
list=${2:-$top/scripts/mutants.txt}
programs=(macro modes core platform config app exec)
caught=0 total=0 survivors=()
saved=""
restore() { [ -n "$saved" ] && cp "$saved" "$target" && rm -f "$saved"; saved=""; }
trap 'restore; exit 130' INT TERM

run_suite() {
  for p in "${programs[@]}"; do
    timeout 300 "$build/tests/tessivo_${p}_tests" --gtest_fail_fast --gtest_brief=1 \
      >/dev/null 2>&1 || return 1
  done
  return 0
}

cmake --build "$build" -j2 >/dev/null || { echo "the unchanged tree does not build"; exit 2; }
run_suite || { echo "the unchanged tree fails its tests"; exit 2; }

while IFS=$'\t' read -r file line old new; do
  [ -z "$file" ] || [ "${file:0:1}" = "#" ] && continue
  target=$top/$file
  if ! sed -n "${line}p" "$target" | grep -qF -- "$old"; then
    # The line number is a hint: code moves, so a text found on exactly one
    # other line is taken there.
    hits=$(grep -nF -- "$old" "$target" | cut -d: -f1)
    if [ "$(printf '%s\n' "$hits" | grep -c .)" -ne 1 ]; then
      echo "skip   $file:$line (text not found once)"; continue
    fi
    line=$hits
  fi
  saved=$(mktemp) && cp "$target" "$saved"
  OLD=$old NEW=$new LINE=$line perl -i -pe \
    'if ($. == $ENV{LINE}) { my $i = index($_, $ENV{OLD}); substr($_, $i, length $ENV{OLD}) = $ENV{NEW} }' \
    "$target"
  touch "$target"
  if ! cmake --build "$build" -j2 >/dev/null 2>&1; then
    echo "nobuild $file:$line"; restore; continue
  fi
  total=$((total + 1))
  if run_suite; then
    echo "MISSED $file:$line  $old -> $new"; survivors+=("$file:$line")
  else
    echo "caught $file:$line"; caught=$((caught + 1))
  fi
  restore; touch "$target"
done < <(grep -v '^#' "$list")

cmake --build "$build" -j2 >/dev/null
echo "caught $caught/$total"
