#!/usr/bin/env bash
# The kit's main job on its sample product: builds everything, makes the
# distribution with mkdist, and shows what setup loads from its SETUP.INI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh
. tools/wine-env.sh
bash tools/build.sh native win32 "win$KIT_WINE_BITS"
bin="build/win$KIT_WINE_BITS/bin"
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"

# The product folder: the sample's files, generated data, and the sample's own programs.
cp -r samples/varnel/product "$demo/product"
python3 - "$demo/product/DATA" <<'PY'
import random, sys
r = random.Random(7)
words = ['varnel', 'archive', 'lzh', 'rar', 'zip', 'deflate', 'setup']
open(sys.argv[1] + '/words.txt', 'w').write(
    '\n'.join(' '.join(r.choice(words) for _ in range(12)) for _ in range(3000)) + '\n')
open(sys.argv[1] + '/sample.dat', 'wb').write(bytes(r.getrandbits(8) for _ in range(200000)))
PY
cp "$bin/Varnel.exe" "$bin/VarShell.dll" "$demo/product/PROGRAM/"

echo "== making the distribution"
build/native/tools/distbuild/mkdist --kit "$bin" "$demo/product" "$demo/dist"

echo "== what setup loads from the distribution's SETUP.INI"
trap 'tools/wine-session.sh stop >/dev/null 2>&1' EXIT
tools/wine-session.sh start
out="Z:$root/$demo/settings.txt"
tools/wine-run.sh "$demo/dist/setup.exe" "/dump=${out//\//\\}"
iconv -f CP949 -t UTF-8 "$demo/settings.txt"
