#!/usr/bin/env bash
# Measures what the install run's progress display costs: makes a RAR archive
# of at least 100 MB of mixed files (fixed seed), then, in one process under
# Wine, extracts it with the UnRAR library alone and through RunInstall, and
# prints the ratio of the two best times (target: 1.05 or less).
# Usage: tools/bench-install.sh [ROUNDS]   (needs tools/build.sh win64 first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# A session of its own, so the benchmark never disturbs a test run.
export KIT_WINE_STATE="$root/build/wine-bench"
. tools/wine-env.sh
bin="build/win$KIT_WINE_BITS/bin"
[ -f "$bin/install_bench.exe" ] || { echo "build win$KIT_WINE_BITS first" >&2; exit 1; }

data="$root/build/bench-install"
archive="$data/BENCH.RAR"
if [ ! -f "$archive" ]; then
    rm -rf "$data"
    mkdir -p "$data/files"
    python3 - "$data/files" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(20261207)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(2000)]
total = 0
n = 0
while total < 112 * 1024 * 1024:
    kind = n % 4
    d = os.path.join(out, "dir%02d" % (n % 17))
    os.makedirs(d, exist_ok=True)
    if kind == 0:    # incompressible, a few large ones
        size = rng.choice([4096, 65536, 1 << 20, 6 << 20])
        data = rng.randbytes(size)
    elif kind == 1:  # text
        size = rng.randint(1000, 400000)
        data = b" ".join(rng.choice(words) for _ in range(size // 6))
    elif kind == 2:  # small files
        data = rng.randbytes(rng.randint(0, 3000))
    else:            # structured binary
        size = rng.randint(10000, 2 << 20)
        data = bytes((i * 7 + (i >> 9)) & 0xFF for i in range(size))
    with open(os.path.join(d, "f%05d.bin" % n), "wb") as f:
        f.write(data)
    total += len(data)
    n += 1
print("%d files, %d bytes" % (n, total))
PY
    (cd "$data/files" && rar a -idq -r -m3 "$archive" .)
    rm -rf "$data/files"
fi
rar 2>/dev/null | sed -n 2p
echo "archive: $(stat -c %s "$archive") bytes, $(rar lb "$archive" | wc -l) entries"

tools/wine-session.sh start >/dev/null
trap 'tools/wine-session.sh stop' EXIT
tools/wine-run.sh "$bin/install_bench.exe" "Z:${archive//\//\\}" "Z:${data//\//\\}\\work" "${1:-3}"
