#!/bin/sh
# Runs each fuzz harness for a bounded time.
#   fuzz/run.sh BUILD_DIR SECONDS [WORKERS]
# New inputs go to fuzz/out/<harness>/corpus, findings to fuzz/out/<harness>/.
# The committed seeds (fuzz/corpus/<harness>) and the example project are read
# as well. Exits non-zero when a harness reports a finding.
set -e

build=$1
seconds=${2:-60}
workers=${3:-1}
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/fuzz/out

python3 "$root/fuzz/make_seeds.py" "$out/seeds" "$root/examples"

status=0
for harness in compile wave; do
    mkdir -p "$out/$harness/corpus"
    case $harness in
        compile) max_len=20000; extra="$out/seeds/compile" ;;
        wave) max_len=4096; extra="" ;;
    esac
    set -- -dict="$root/fuzz/tessor.dict" -max_len=$max_len -timeout=10 -rss_limit_mb=2048 \
        -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$harness/"
    if [ "$workers" -gt 1 ]; then
        set -- "$@" -fork="$workers"
    fi
    echo "fuzz: $harness for ${seconds}s with $workers worker(s)"
    # shellcheck disable=SC2086
    if ! "$build/fuzz/fuzz_$harness" "$@" "$out/$harness/corpus" "$root/fuzz/corpus/$harness" $extra \
        2>"$out/$harness/log"; then
        status=1
        tail -n 40 "$out/$harness/log"
        echo "fuzz: $harness reported a finding; see $out/$harness/log"
    fi
    # The totals: "Done N runs" of a single process, the last status line of -fork.
    grep -E "^(Done [0-9]+ runs|#[0-9]+: cov:)" "$out/$harness/log" | tail -n 1
done
exit $status
