#!/usr/bin/env bash
# Measures what the install run costs beyond unpacking: makes four RAR
# archives of more than 100 MB of mixed files in all (fixed seed), then, in
# one process under Wine, extracts them with the UnRAR library alone and
# through RunInstall (progress display, listing pass, journal), and prints
# the ratio of their best and of their median times (target: 1.05 or less).
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
archives=("$data"/BENCH1.RAR "$data"/BENCH2.RAR "$data"/BENCH3.RAR "$data"/BENCH4.RAR)
if [ ! -f "${archives[3]}" ]; then
    rm -rf "$data"
    mkdir -p "$data/files"
    python3 - "$data/files" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(20261207)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(2000)]
total = 0
n = 0
while total < 120 * 1024 * 1024:
    kind = n % 10
    d = os.path.join(out, "dir%02d" % (n % 17))
    os.makedirs(d, exist_ok=True)
    if kind <= 3:        # incompressible, some large
        data = rng.randbytes(rng.choice([4096, 65536, 1 << 20, 3 << 20]))
    elif kind <= 5:      # text
        data = b" ".join(rng.choice(words) for _ in range(rng.randint(200, 20000)))
    elif kind <= 8:      # many small files
        data = rng.randbytes(rng.randint(0, 30000))
    else:                # structured binary
        size = rng.randint(10000, 1 << 20)
        data = bytes((i * 7 + (i >> 9)) & 0xFF for i in range(size))
    with open(os.path.join(d, "f%05d.bin" % n), "wb") as f:
        f.write(data)
    total += len(data)
    n += 1
print("%d files, %d bytes" % (n, total))
PY
    # Folders 0-3 in the first archive, 4-7 in the second, ...
    for k in 1 2 3 4; do
        dirs=$(cd "$data/files" && ls -d dir* | awk -v k=$k 'NR > (k - 1) * 4 && (NR <= k * 4 || k == 4)')
        # shellcheck disable=SC2086
        (cd "$data/files" && rar a -idq -r -m3 "$data/BENCH$k.RAR" $dirs)
    done
    rm -rf "$data/files"
fi
rar 2>/dev/null | sed -n 2p
for a in "${archives[@]}"; do
    echo "archive $(basename "$a"): $(stat -c %s "$a") bytes, $(rar lb "$a" | wc -l) entries"
done

# Extraction goes to memory where it can, so the disk's write-back of one
# round does not land on the next and the ratio shows only what differs.
work=/dev/shm/kit-bench-install
[ -d /dev/shm ] || work="$data/work"
rm -rf "$work"
mkdir -p "$work"
cp "${archives[@]}" "$work/"
tools/wine-session.sh start >/dev/null
trap 'tools/wine-session.sh stop; rm -rf "$work"' EXIT
# Without a window manager on the display Wine waits two seconds for every
# hidden managed window; unmanaged windows time the run, not that wait.
"$KIT_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
tools/wine-run.sh "$bin/install_bench.exe" "Z:${work//\//\\}" "${1:-7}" BENCH1.RAR BENCH2.RAR BENCH3.RAR BENCH4.RAR
