#!/usr/bin/env bash
# Times `jetdb export` against `mdb-export -b hex -T '%Y-%m-%d %H:%M:%S'` over every table
# (system tables included) of every fixture, each export run ROUNDS times, one process per
# export as a user runs them. Prints the totals and the ratio.
# usage: tools/oracle/bench_export.sh [JETDB] [ROUNDS]
#   JETDB defaults to build/bench/bin/jetdb (preset "bench": optimised, no sanitizers).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jetdb=${1:-$root/build/bench/bin/jetdb}
rounds=${2:-5}
fixtures=${TABULON_SHARED_DIR:-$root/../shared}/fixtures/jet4
[ -x "$jetdb" ] || { echo "no jetdb at $jetdb (cmake --preset bench && cmake --build --preset bench --target jetdb)"; exit 1; }
command -v mdb-export >/dev/null || { echo "mdbtools is not installed"; exit 1; }

jobs=()
for f in "$fixtures"/*.mdb; do
  pw=""
  [ "$(basename "$f")" = passwordV2000.mdb ] && pw=password
  while IFS= read -r t; do
    [ -n "$t" ] && jobs+=("$f|$t|$pw")
  done < <(mdb-tables -S -1 "$f")
done

# Prints "wall_ms cpu_ms" (CPU: user + system time of the processes started).
time_it() {
  local TIMEFORMAT='%R %U %S' times
  times=$( { time (
    for ((r = 0; r < rounds; r++)); do
      for j in "${jobs[@]}"; do
        IFS='|' read -r f t pw <<<"$j"
        "$@" "$f" "$t" "$pw" >/dev/null 2>&1
      done
    done
  ) ; } 2>&1 )
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' <<<"$times"
}
run_jetdb() { "$jetdb" export "$1" "$2" --password "$3"; }
run_mdbtools() { mdb-export -b hex -T '%Y-%m-%d %H:%M:%S' "$1" "$2"; }
# Starting a process that does nothing: the part of each export that no program avoids.
run_nothing() { /bin/true; }

echo "${#jobs[@]} tables, $rounds rounds; wall and CPU time in ms"
read -r wall_mdb cpu_mdb <<<"$(time_it run_mdbtools)"
read -r wall_jet cpu_jet <<<"$(time_it run_jetdb)"
read -r wall_nil cpu_nil <<<"$(time_it run_nothing)"
printf "%-22s %8s %8s\n" "" wall cpu
printf "%-22s %8d %8d\n" "mdb-export" "$wall_mdb" "$cpu_mdb" "jetdb" "$wall_jet" "$cpu_jet" \
  "process start (true)" "$wall_nil" "$cpu_nil"
awk -v a="$wall_mdb" -v b="$wall_jet" -v n="$wall_nil" -v ca="$cpu_mdb" -v cb="$cpu_jet" -v cn="$cpu_nil" 'BEGIN {
  printf "jetdb / mdb-export: %.2f times as fast (wall), %.2f (CPU)", a / b, ca / cb
  if (b > n && cb > cn) printf "; without the process start: %.2f (wall), %.2f (CPU)", (a - n) / (b - n), (ca - cn) / (cb - cn)
  printf "\n"
}'
