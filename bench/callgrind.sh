#!/usr/bin/env bash
# Instructions per event, counted by callgrind: each event runs 1 and 1001
# times after one warm-up run; the difference divided by 1000 is the cost of
# one event, free of start-up cost and of timing noise.
# Usage: bench/callgrind.sh PROBE [OUTPUT]   (OUTPUT gets "event<TAB>instructions" lines)
set -euo pipefail
probe=$1
output=${2:-/dev/stdout}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

count() {  # event variant runs
  "${VALGRIND:-valgrind}" --tool=callgrind --callgrind-out-file="$work/out" "$probe" "$1" "$2" "$3" >/dev/null 2>"$work/log"
  sed -n 's/^summary: *//p' "$work/out"
}

: > "$work/table"
for event in "package choice" "toggle" "revertive" "parent query" "timer tick" "start-up + shutdown"; do
  one=$(count "$event" panel 1)
  many=$(count "$event" panel 1001)
  printf '%s\t%s\n' "$event" $(( (many - one) / 1000 )) >> "$work/table"
done
cat "$work/table" > "$output"
