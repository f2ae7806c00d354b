#!/usr/bin/env bash
# Runs every test on a fresh Debian machine: installs what is missing, builds
# all builds, runs the native suites (ASan+UBSan), the Windows-side suites under
# Wine, and each fuzz target for a short fixed time. Exit status 0 only if all pass.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh || { echo "installing dependencies failed" >&2; exit 1; }
bash tools/build.sh || exit 1
. tools/wine-env.sh

fail=0
summary=()

run_ctest() {  # name, build dir, extra args
    local name=$1 dir=$2; shift 2
    local log="build/$name-ctest.log"
    ctest --test-dir "$dir" --output-on-failure "$@" >"$log" 2>&1
    local rc=$?
    grep -E '^(The following tests|	 *[0-9]+ - |[0-9]+% tests passed)' "$log" || true
    [ $rc -eq 0 ] || { tail -n 60 "$log"; fail=1; }
    local line passed total
    line=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n1)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    local failed
    failed=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$(( ${total:-0} - ${failed:-0} ))
    summary+=("$name: $passed passed, ${failed:-0} failed (CTest)")
    P=$(( ${P:-0} + passed )); F=$(( ${F:-0} + ${failed:-0} ))
}

echo "== native tests"
run_ctest native build/native -j "$(nproc)"

echo "== Windows tests under Wine ($KIT_WINE_BITS-bit build)"
run_ctest wine "build/win$KIT_WINE_BITS"
cases=$(grep -hE '^\[  PASSED  \] [0-9]+ tests?' "build/win$KIT_WINE_BITS/Testing/Temporary/LastTest.log" 2>/dev/null \
        | awk '{s+=$4} END {print s+0}')
summary+=("wine: $cases GoogleTest cases passed inside those executables")

echo "== fuzz targets (${KIT_FUZZ_SECONDS:=10} s each unless their options file sets a time)"
fuzzed=0
for t in build/fuzz/bin/*; do
    [ -x "$t" ] || continue
    n=$(basename "$t")
    corpus="build/fuzz/corpus/$n"
    # Findings land beside the log, never in the work tree.
    artifacts="build/fuzz/artifacts/$n/"
    mkdir -p "$corpus" "$artifacts"
    seeds=() opts=()
    [ -d "fuzz-seeds/$n" ] && seeds=("fuzz-seeds/$n")
    # A target may need its own libFuzzer options (one per line).
    [ -f "fuzz-seeds/$n.options" ] && mapfile -t opts <"fuzz-seeds/$n.options"
    if "$t" -max_total_time="$KIT_FUZZ_SECONDS" -rss_limit_mb=2048 -artifact_prefix="$artifacts" "${opts[@]}" "$corpus" "${seeds[@]}" \
            >"build/fuzz/$n.log" 2>&1; then
        P=$((P + 1)); fuzzed=$((fuzzed + 1))
        echo "$n: $(grep -E '^#[0-9]+' "build/fuzz/$n.log" | tail -n1)"
    else
        tail -n 40 "build/fuzz/$n.log"; fail=1; F=$((F + 1))
        echo "$n: FAILED"
    fi
done
summary+=("fuzz: $fuzzed targets ran without a finding, ${KIT_FUZZ_SECONDS} s each unless their options file sets a time")

echo "== summary"
printf '%s\n' "${summary[@]}"
echo "tests: $P passed, $F failed"
exit $fail
