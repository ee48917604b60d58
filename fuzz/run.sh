#!/usr/bin/env bash
# Runs each fuzz target of the "fuzz" preset's build for a bounded time:
#   fuzz/run.sh [seconds per target, default 60] [build folder, default build/fuzz]
# New inputs collect in <build>/fuzz/work; a finding is written to <build>/fuzz/findings and
# ends the script with a failure. A finding, once fixed, belongs in tests/fuzz_corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build/fuzz}
for target in reader writer; do
  binary="$build/fuzz/fuzz_stats_$target"
  work="$build/fuzz/work/$target"
  findings="$build/fuzz/findings"
  mkdir -p "$work" "$findings" "tests/fuzz_corpus/$target"
  case $target in
    reader) max_len=16384 ;;  # the seeds are whole stats files: mutate their first part
    writer) max_len=4096 ;;
  esac
  echo "== fuzz_stats_$target for $seconds s"
  "$binary" -max_total_time="$seconds" -max_len=$max_len -timeout=20 -rss_limit_mb=3072 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$work" "$build/fuzz/corpus/$target" "tests/fuzz_corpus/$target" 2>&1 |
    grep -Ev '^#[0-9]+.*(NEW|REDUCE|pulse)' || { echo "fuzz_stats_$target found a problem"; exit 1; }
done
