#!/bin/bash
# Instructions a line of melquon-cli on one thread, counted by callgrind over the first LINES
# lines (default 300000) of the first day of the archive intervals_bench and threads_bench
# generate, with 16, 160 and 2,000 interval values at log level 1.
#
#   bash scripts/instructions-per-line.sh [LINES]
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-300000}
archive=build/bench-archive-days
if [[ ! -f $archive/ticks_090112.txt ]]; then
  echo "No archive in $archive: run build/bin/intervals_bench 1 first." >&2
  exit 1
fi
command -v valgrind >/dev/null || { echo "valgrind is not installed." >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$archive/Melquon.ini" "$work/"
head -n "$lines" "$archive/ticks_090112.txt" >"$work/ticks_090112.txt"
cli=$PWD/build/bin/melquon-cli
for sweep in "16 500 2000 100" "160 100 16000 100" "2000 1 2000 1"; do
  read -r values from to step <<<"$sweep"
  count=$(cd "$work" && valgrind --tool=callgrind --callgrind-out-file=/dev/null "$cli" \
    --ini Melquon.ini --contract RIH9 --from 12012009 --to 12012009 --interval-from "$from" \
    --interval-to "$to" --interval-step "$step" --threads 1 --log-level 1 --quiet 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  printf '%5s values  %6d instructions a line\n' "$values" $((count / lines))
done
