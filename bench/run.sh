#!/usr/bin/env bash
# All of the benchmark figures in one run:
#   1. the in-process benchmarks (Google Benchmark): stats file writer and reader, attachment
#      rebuild, edition recognition;
#   2. whole runs of `vantedit make` and `vantedit patch` on the largest synthetic edition,
#      each against the floor of the file work it must do, timed by this script: the same
#      input files read and an output of the same size written with standard tools (for
#      PATCH: written beside the target, synced to disk and renamed over it);
#   3. the peak memory of each whole run (/usr/bin/time -v).
#
#   bash bench/run.sh [--quick] [--runs N]
#
# Builds build/bench (Release) first. --quick: a smoke run with few repetitions, for CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
runs=21
quick=0
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1; runs=3 ;;
    --runs) runs=$2; shift ;;
    *) echo "usage: bash bench/run.sh [--quick] [--runs N]"; exit 2 ;;
  esac
  shift
done

if [ ! -x /usr/bin/time ] || [ ! -f /usr/include/benchmark/benchmark.h ]; then
  echo "Needs Debian's time and libbenchmark-dev: apt-get install time libbenchmark-dev"
  exit 1
fi

echo "== building $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVANTEDIT_TESTS=OFF -DVANTEDIT_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target vantedit vantgen vantedit_bench >/dev/null
vantedit="$build/vantedit"

echo
echo "== machine"
echo "cpu:    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "memory: $(free -h | awk '/^Mem:/ {print $2}')"
echo "kernel: $(uname -sr)"
echo "load:   $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== in process (edition 3); stats_MB/s is decimal megabytes of stats file per CPU second"
bench_args=(--benchmark_counters_tabular=true)
if [ "$quick" = 1 ]; then bench_args+=(--benchmark_min_time=0.01); else bench_args+=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true); fi
"$build/bench/vantedit_bench" "${bench_args[@]}" 2>&1 | grep -v -e '^\*\*\*WARNING\*\*\* Library was built as DEBUG'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
game="$work/game"
"$build/vantgen" "$game" 3 >/dev/null
cd "$game"
item=data/binarydata/itemdesc.edt
shop=data/binarydata/hvkdesc.edt
"$vantedit" game.exe stats.txt make >/dev/null
exe_size=$(stat -c %s game.exe)
stats_size=$(stat -c %s stats.txt)
cp game.exe floor.exe

# Microseconds taken by one command, its output dropped.
elapsed() {
  local start=$EPOCHREALTIME end
  "$@" >/dev/null
  end=$EPOCHREALTIME
  echo $(( ${end/./} - ${start/./} ))
}
floor_make() {
  cat game.exe "$item" "$shop" >/dev/null
  dd if=/dev/zero of=floor.txt bs="$stats_size" count=1 status=none
}
floor_patch() {
  cat game.exe "$item" "$shop" stats.txt >/dev/null
  dd if=/dev/zero of=floor.tmp bs="$exe_size" count=1 conv=fsync status=none
  mv floor.tmp floor.exe
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Interleaved, so that a change in the machine's load touches all four alike.
: >make.t; : >floor_make.t; : >patch.t; : >floor_patch.t
for ((i = 0; i < runs; i++)); do
  elapsed floor_make >>floor_make.t
  elapsed "$vantedit" game.exe stats.txt make >>make.t
  elapsed floor_patch >>floor_patch.t
  elapsed "$vantedit" game.exe stats.txt patch >>patch.t
done
for t in make floor_make patch floor_patch; do eval "med_$t=$(median <$t.t)"; done
bare=$(for ((i = 0; i < runs; i++)); do elapsed "$vantedit"; done | median)

echo
echo "== whole runs (edition 3: executable $exe_size bytes, stats file $stats_size bytes), medians of $runs runs"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-28s %10s %10s %7s %s\n' "" "vantedit" "floor" "ratio" "target"
printf '%-28s %8d us %8d us %6sx %s\n' "MAKE" "$med_make" "$med_floor_make" "$(ratio "$med_make" "$med_floor_make")" "<= 1.5x"
printf '%-28s %8d us %8d us %6sx %s\n' "PATCH" "$med_patch" "$med_floor_patch" "$(ratio "$med_patch" "$med_floor_patch")" "<= 1.5x"
printf '%-28s %8d us\n' "vantedit alone (usage text)" "$bare"
echo "floor MAKE:  cat game.exe itemdesc.edt hvkdesc.edt >/dev/null; dd if=/dev/zero of=floor.txt bs=$stats_size count=1"
echo "floor PATCH: cat game.exe itemdesc.edt hvkdesc.edt stats.txt >/dev/null; dd if=/dev/zero of=floor.tmp bs=$exe_size count=1 conv=fsync; mv floor.tmp floor.exe"

# Peak resident memory, in kilobytes (1024 bytes), the largest of three runs.
peak() {
  local most=0 kb
  for _ in 1 2 3; do
    kb=$(/usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1)
    [ "$kb" -gt "$most" ] && most=$kb
  done
  echo "$most"
}
peak_make=$(peak "$vantedit" game.exe stats.txt make)
peak_patch=$(peak "$vantedit" game.exe stats.txt patch)
peak_bare=$(peak "$vantedit")
data_kb=$(( (exe_size + 2 * 280800 + 1023) / 1024 ))
target_kb=$(( (exe_size + 2 * 1024 * 1024) / 1024 ))
echo
echo "== peak memory (maximum resident set size, KiB)"
printf '%-28s %8s %14s %s\n' "" "peak" "over baseline" "target"
printf '%-28s %8d %14d %s\n' "MAKE" "$peak_make" $((peak_make - peak_bare)) "<= $target_kb (executable + 2 MiB)"
printf '%-28s %8d %14d %s\n' "PATCH" "$peak_patch" $((peak_patch - peak_bare)) "<= $target_kb (executable + 2 MiB)"
printf '%-28s %8d\n' "vantedit alone (baseline)" "$peak_bare"
printf '%-28s %8d\n' "image + description buffers" "$data_kb"
