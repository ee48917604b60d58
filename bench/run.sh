#!/usr/bin/env bash
# All of the benchmark figures in one run:
#   1. the in-process benchmarks (Google Benchmark): stats file writer and reader, attachment
#      rebuild, edition recognition;
#   2. whole runs of `vantedit make` and `vantedit patch` on the largest synthetic edition,
#      each against the floor of the file work it must do, timed by this script: the same
#      input files read and the output made with standard tools (for MAKE: a file of the same
#      size written, synced and renamed; for PATCH: the executable copied as `cp` copies it,
#      with copy_file_range, beside the target, synced, renamed over it, the folder synced).
#      Every PATCH changes one value (a Price that each run sets otherwise), so every MAKE
#      after it replaces a stats file that differs in that value; PATCH reads either the whole
#      stats file or a one-line mod; `vantedit merge` of a hundred one-cell mods, against
#      one PATCH; a change list of a hundred lines applied by PATCH and taken back out by
#      revert, each against one whole-file PATCH; and `changes` without a stats file (the
#      first original against the game as it is), against one MAKE;
#   3. the peak memory of each whole run (/usr/bin/time -v).
#
#   bash bench/run.sh [--quick] [--runs N] [--before BINARY]
#
# Builds build/bench (Release, the C++ runtime linked in as the release preset does) first.
# --quick: a smoke run with few repetitions, for CI. --before: another vantedit (say, a build
# of an earlier commit) timed and measured in the same interleaved runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
runs=21
quick=0
before=
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1; runs=3 ;;
    --runs) runs=$2; shift ;;
    --before) before=$(realpath "$2"); shift ;;
    *) echo "usage: bash bench/run.sh [--quick] [--runs N] [--before BINARY]"; exit 2 ;;
  esac
  shift
done

if [ ! -x /usr/bin/time ] || [ ! -f /usr/include/benchmark/benchmark.h ]; then
  echo "Needs Debian's time and libbenchmark-dev: apt-get install time libbenchmark-dev"
  exit 1
fi

echo "== building $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVANTEDIT_TESTS=OFF -DVANTEDIT_BENCH=ON \
  -DVANTEDIT_STATIC_RUNTIME=ON >/dev/null
cmake --build "$build" -j2 --target vantedit vantgen vantedit_bench vantedit_static >/dev/null
vantedit="$build/vantedit"
static="$build/bench/vantedit_static"

echo
echo "== machine"
echo "cpu:    $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "memory: $(free -h | awk '/^Mem:/ {print $2}')"
echo "kernel: $(uname -sr)"
echo "load:   $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "== in process (edition 3); stats_MB/s is decimal megabytes of stats file per CPU second"
[ "$quick" = 1 ] || echo "   (medians of 5 repetitions)"
bench_args=(--benchmark_counters_tabular=true)
if [ "$quick" = 1 ]; then
  bench_args+=(--benchmark_min_time=0.01)
else
  bench_args+=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
fi
"$build/bench/vantedit_bench" "${bench_args[@]}" 2>/dev/null |
  grep -v -e '_mean ' -e '_stddev ' -e '_cv ' -e 'Library was built as DEBUG'

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
# The stats file with the Price of item 8 left open: each PATCH sets it to a value of its own.
awk -F'\t' -v OFS='\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "Price") price = i }
  $1 == "Item 8" { $price = "@PRICE@" } { print }' stats.txt >price.template
price_field=$(head -1 stats.txt | tr '\t' '\n' | grep -nx Price | cut -d: -f1)
patches=0
next_patch() {
  patches=$((patches + 1))
  sed "s/@PRICE@/$((1000 + patches % 9000))/" price.template >patch.txt
  # The one-line mod: the same cell, in a row of that cell alone.
  printf 'Item 8%s%d' "$(printf '\t%.0s' $(seq 2 "$price_field"))" $((1000 + patches % 9000)) >line.txt
}
# A hundred mods of one cell each: the Price of items 100 to 199 (field 39 of the row).
mods=()
for ((m = 0; m < 100; m++)); do
  printf 'Item %d%s%d' $((100 + m)) "$(printf '\t%.0s' {1..39})" $((7000 + m)) >"mod$m.txt"
  mods+=("mod$m.txt")
done

# A change list of a hundred lines: the Price of the first hundred items from 100 on that have
# one (none that a PATCH below sets), each set to another value.
awk -F'\t' -v OFS='\t' -v price="$price_field" 'NR == 1 { print; next }
  $1 ~ /^Item / && substr($1, 6) + 0 >= 100 && changed < 100 && $price ~ /^[0-9]+$/ { $price = ($price < 60000) ? $price + 1 : $price - 1; changed++ }
  { print }' stats.txt >list100.stats
"$vantedit" game.exe list100.txt changes list100.stats >/dev/null
[ "$(wc -l <list100.txt)" -eq 100 ] || { echo "the change list holds $(wc -l <list100.txt) lines, not 100"; exit 1; }

# One run of a command, its output dropped: "wall_us cpu_ms" (CPU: user + system, children included).
TIMEFORMAT='%3U %3S'
measure() {
  local start=$EPOCHREALTIME end cpu
  cpu=$( { time "$@" >/dev/null; } 2>&1 )
  end=$EPOCHREALTIME
  echo "$(( ${end/./} - ${start/./} )) $(awk -v u="${cpu% *}" -v s="${cpu#* }" 'BEGIN { print (u + s) * 1000 }')"
}
floor_make() {
  cat game.exe "$item" "$shop" >/dev/null
  dd if=/dev/zero of=floor.tmp bs="$stats_size" count=1 conv=fsync status=none
  mv floor.tmp floor.txt
}
floor_patch() {
  cat game.exe "$item" "$shop" stats.txt >/dev/null
  cp game.exe floor.tmp && sync floor.tmp && mv floor.tmp floor.exe && sync .
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column_median() { awk -v c="$1" '{ print $c }' "$2" | median; }
# CPU times come in whole milliseconds: their mean over the runs is finer than their median.
column_mean() { awk -v c="$1" '{ s += $c } END { printf "%.1f", s / NR }' "$2"; }

# Interleaved, so that a change in the machine's load touches every case alike.
cases=(floor_make make make_static floor_patch patch patch_static patch_line merge list_apply list_revert changes bare
  bare_static)
[ -z "$before" ] || cases+=(make_before patch_before patch_line_before merge_before bare_before)
for c in "${cases[@]}"; do : >"$c.t"; done
for ((i = 0; i < runs; i++)); do
  measure floor_make >>floor_make.t
  measure "$vantedit" game.exe make.txt make >>make.t
  measure "$static" game.exe make_static.txt make >>make_static.t
  [ -z "$before" ] || measure "$before" game.exe make_before.txt make >>make_before.t
  measure floor_patch >>floor_patch.t
  next_patch
  measure "$vantedit" game.exe patch.txt patch >>patch.t
  next_patch
  measure "$static" game.exe patch.txt patch >>patch_static.t
  if [ -n "$before" ]; then next_patch; measure "$before" game.exe patch.txt patch >>patch_before.t; fi
  next_patch
  measure "$vantedit" game.exe line.txt patch >>patch_line.t
  if [ -n "$before" ]; then next_patch; measure "$before" game.exe line.txt patch >>patch_line_before.t; fi
  measure "$vantedit" game.exe merged.txt merge "${mods[@]}" >>merge.t
  [ -z "$before" ] || measure "$before" game.exe merged.txt merge "${mods[@]}" >>merge_before.t
  # The list applies where the game holds what MAKE wrote, as every whole-file PATCH leaves it.
  measure "$vantedit" game.exe list100.txt patch >>list_apply.t
  measure "$vantedit" game.exe list100.txt revert >>list_revert.t
  measure "$vantedit" game.exe since.txt changes >>changes.t
  measure "$vantedit" >>bare.t
  measure "$static" >>bare_static.t
  [ -z "$before" ] || measure "$before" >>bare_before.t
done
for c in "${cases[@]}"; do
  eval "wall_$c=$(column_median 1 "$c.t") cpu_$c=$(column_mean 2 "$c.t")"
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() {  # row LABEL CASE FLOOR
  local w=wall_$2 c=cpu_$2
  if [ -n "${3:-}" ]; then
    local fw=wall_$3 fc=cpu_$3
    printf '%-30s %9d %8s %8s %8s\n' "$1" "${!w}" "${!c}" "$(ratio "${!w}" "${!fw}")x" "$(ratio "${!c}" "${!fc}")x"
  else
    printf '%-30s %9d %8s\n' "$1" "${!w}" "${!c}"
  fi
}
echo
echo "== whole runs (edition 3: executable $exe_size bytes, stats file $stats_size bytes), $runs runs each"
echo "   wall: median in microseconds; CPU: user + system, mean in milliseconds"
printf '%-30s %9s %8s %8s %8s\n' "" "wall us" "CPU ms" "wall" "CPU"
printf '%-30s %9s %8s %8s %8s\n' "" "" "" "/floor" "/floor"
row "floor of MAKE" floor_make
row "vantedit make" make floor_make
row "vantedit make (all static)" make_static floor_make
[ -z "$before" ] || row "vantedit make (before)" make_before floor_make
row "floor of PATCH" floor_patch
row "vantedit patch" patch floor_patch
row "vantedit patch (all static)" patch_static floor_patch
[ -z "$before" ] || row "vantedit patch (before)" patch_before floor_patch
row "vantedit patch, one-line mod" patch_line floor_patch
[ -z "$before" ] || row "  the same, before" patch_line_before floor_patch
row "vantedit merge, 100 mods" merge patch
[ -z "$before" ] || row "vantedit merge (before)" merge_before patch_before
row "vantedit patch, 100-line list" list_apply patch
row "vantedit revert, 100-line list" list_revert patch
row "vantedit changes, since .orig" changes make
row "vantedit alone (usage text)" bare
row "  the same, all static" bare_static
[ -z "$before" ] || row "  the same, before" bare_before
echo "target: MAKE <= 1.00x its floor, PATCH (whole file and one-line mod) <= 0.90x its floor (wall);"
echo "        merge of 100 one-cell mods <= 2.00x one PATCH (merge's /floor columns are against PATCH,"
echo "        each binary's own); a 100-line change list applied or reverted <= 1.00x one PATCH of the"
echo "        whole stats file; changes since .orig <= 1.00x one MAKE (their /floor columns: against those)"
echo "floor of MAKE:  cat game.exe itemdesc.edt hvkdesc.edt >/dev/null;"
echo "                dd if=/dev/zero of=floor.tmp bs=$stats_size count=1 conv=fsync; mv floor.tmp floor.txt"
echo "floor of PATCH: cat game.exe itemdesc.edt hvkdesc.edt stats.txt >/dev/null;"
echo "                cp game.exe floor.tmp && sync floor.tmp && mv floor.tmp floor.exe && sync ."

# Peak resident memory, in KiB, the largest of three runs.
peak() {
  local most=0 kb
  for _ in 1 2 3; do
    kb=$(/usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1)
    [ "$kb" -gt "$most" ] && most=$kb
  done
  echo "$most"
}
# What a run holds of the game: the tables' stretch of the image (383,992 bytes in edition 3,
# model/table_span.h) and the two description files.
data_kb=$(( (383992 + 2 * 280800 + 1023) / 1024 ))
target_kb=$(( (exe_size + 2 * 1024 * 1024) / 1024 ))
echo
echo "== peak memory (maximum resident set size, KiB; baseline: the same binary printing its usage text)"
printf '%-30s %8s %9s %14s\n' "" "peak" "baseline" "over baseline"
for b in "$vantedit" "$static" ${before:+"$before"}; do
  name=vantedit; [ "$b" = "$static" ] && name="vantedit (all static)"; [ "$b" = "$before" ] && name="vantedit (before)"
  base=$(peak "$b")
  for op in make patch merge; do
    case $op in
      make) kb=$(peak "$b" game.exe make.txt make) ;;
      patch) next_patch; kb=$(peak "$b" game.exe patch.txt patch) ;;
      merge) kb=$(peak "$b" game.exe merged.txt merge "${mods[@]}") ;;
    esac
    printf '%-30s %8d %9d %14d\n' "$name $op" "$kb" "$base" $((kb - base))
    [ "$op" = patch ] && patch_kb=$kb
  done
  echo "  merge within PATCH + 1 MiB: $(( kb <= patch_kb + 1024 ? 1 : 0 )) (limit $((patch_kb + 1024)) KiB)" | sed 's/: 1 /: yes /; s/: 0 /: NO /'
done
echo "the tables' stretch of the image + the two description buffers: $data_kb KiB"
echo "target: peak (not over the baseline) <= executable + 2 MiB = $target_kb KiB"
