#!/usr/bin/env bash
# The instruction counts the speed goals are stated in: each operation runs
# once under callgrind (Release build), counted only inside the operation
# (bench/instructions), and one line per row is printed: the row's name,
# the instructions per unit, the unit. Needs the Release build's tools and
# valgrind (scripts/setup.sh installs both). Builds build/release when it
# is missing or out of date. Rows run side by side, one per core; progress
# and the wall time go to standard error.
#   scripts/instructions.sh [row ...]   (default: every row)
set -euo pipefail

cd "$(dirname "$0")/.."

all=(import1 import2 prepare100k gridsum readall2 openorder2 findkey upgrade batchappend)
rows=("${all[@]}")
if (($#)); then rows=("$@"); fi
for row in "${rows[@]}"; do
  if [[ " ${all[*]} " != *" $row "* ]]; then
    echo "instructions.sh: unknown row '$row'; rows: ${all[*]}" >&2
    exit 2
  fi
done

if ! command -v valgrind >/dev/null 2>&1; then
  echo "instructions.sh: valgrind is not installed; run scripts/setup.sh" >&2
  exit 1
fi

started=$SECONDS
build=build/release
if [[ ! -f $build/build.ninja ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMEBRATH_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target mebrath_instructions >&2
tool=$PWD/$build/bench/mebrath_instructions
[[ -x $tool ]] || { echo "instructions.sh: $tool was not built" >&2; exit 1; }

# The fixtures' files and callgrind's output stay in a folder of this run.
work=$(mktemp -d "${TMPDIR:-/tmp}/mebrath-instructions.XXXXXX")
trap 'rm -rf "$work"' EXIT

measure() {
  local row=$1
  mkdir -p "$work/$row"
  TMPDIR=$work/$row valgrind --tool=callgrind --instr-atstart=no --dump-instr=no \
    --dump-line=no --callgrind-out-file="$work/$row.callgrind" \
    "$tool" "$row" >"$work/$row.units" 2>"$work/$row.log"
}

# The longest rows first, so that the short ones fill the cores beside them.
order=()
for row in prepare100k upgrade import2 import1 readall2; do
  [[ " ${rows[*]} " == *" $row "* ]] && order+=("$row")
done
for row in "${rows[@]}"; do
  [[ " ${order[*]} " == *" $row "* ]] || order+=("$row")
done

jobs=$(nproc 2>/dev/null || echo 1)
running=0
for row in "${order[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  echo "instructions.sh: $row" >&2
  measure "$row" &
  running=$((running + 1))
done
wait || true

failed=0
for row in "${rows[@]}"; do
  units=$(cat "$work/$row.units" 2>/dev/null || true)
  total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$work/$row.callgrind" 2>/dev/null || true)
  if [[ -z $units || -z $total ]]; then
    echo "instructions.sh: $row failed:" >&2
    tail -n 20 "$work/$row.log" >&2 || true
    failed=1
    continue
  fi
  read -r count unit <<<"$units"
  printf '%-12s %12d %s\n' "$row" $(((total + count / 2) / count)) "$unit"
done
echo "instructions.sh: $((SECONDS - started)) s" >&2
exit "$failed"
