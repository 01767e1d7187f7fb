#!/bin/sh
# Runs a fuzz target for a number of seconds on a corpus seeded with the
# generated archives (or, given a pattern, other files of the seed
# directory). Usage: run_fuzz.sh FUZZER SEEDDIR WORKDIR SECONDS [PATTERN]
# Exits non-zero when the fuzzer finds a crash, leak or hang.
set -e
fuzzer=$1
seeds=$2
work=$3
seconds=$4
pattern=${5:-*.arj}
mkdir -p "$work/corpus" "$work/findings"
cp -f "$seeds"/$pattern "$work/corpus/" 2>/dev/null || true
cd "$work"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=300000 -print_final_stats=1 -artifact_prefix=findings/ corpus
