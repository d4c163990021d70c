#!/usr/bin/env bash
# Builds the browser version into out/web (the page, the game's .js/.wasm,
# its preloaded data and the licence notices) and the replay tool for node
# into out/web-node. Installs what it needs: Debian's emscripten, node and
# chromium (for the page's test), and the npm packages pinned in
# web/package-lock.json.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh
RUZOZ_PACKAGES+=(emscripten nodejs chromium)
ruzoz_install_deps
if ! command -v npm >/dev/null; then
  RUZOZ_PACKAGES+=(npm)
  ruzoz_install_deps
fi

(cd web && npm ci --no-audit --no-fund --loglevel=error)

# The 48 data files come from the native build's generators.
NATIVE=${RUZOZ_BUILD_DIR:-build}
cmake -S . -B "$NATIVE" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$NATIVE" --target ruzoz_data ruzoz-icongen -j"$(nproc)"

# Debian's emscripten wants its node modules on NODE_PATH.
export NODE_PATH=/usr/share/nodejs
WASM=${RUZOZ_WEB_BUILD_DIR:-build-web}
SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2
emcmake cmake -S . -B "$WASM" -DCMAKE_BUILD_TYPE=Release \
  -DRUZOZ_WEB_DATA_DIR="$(cd "$NATIVE" && pwd)/data" -DRUZOZ_WEB_SOUNDFONT="$SOUNDFONT" >/dev/null
cmake --build "$WASM" -j"$(nproc)"

FLUID=web/node_modules/js-synthesizer/externals/libfluidsynth-2.4.6.js
rm -rf out/web out/web-node
mkdir -p out/web out/web-node
cp web/index.html web/audio-worklet.js "$WASM"/src/ruzoz.{js,wasm,data} out/web/
cp "$FLUID" out/web/libfluidsynth.js
cp web/manifest.json out/web/
# The installed page's icons, drawn from the ship as the desktop's are.
"$NATIVE"/tools/icongen/ruzoz-icongen "$NATIVE"/data/Schiff1.bmp "$WASM"/icons 192 512
mkdir -p out/web/icons
for size in 192 512; do cp "$WASM"/icons/${size}x${size}/apps/ruzoz.png out/web/icons/ruzoz-$size.png; done
cp "$WASM"/tools/replay/ruzoz-replay.{js,wasm} out/web-node/
cp "$FLUID" out/web-node/libfluidsynth.js

# What the bundle ships, each with its notice.
{
  section() { printf '\n==== %s ====\n\n' "$1"; }
  echo "Ruzoz in a browser, and what it carries."
  if [ -f LICENSE ]; then section "Ruzoz"; cat LICENSE; fi
  section "TimGM6mb SoundFont (ruzoz.data), from Debian's timgm6mb-soundfont"
  cat /usr/share/doc/timgm6mb-soundfont/copyright
  section "GNU General Public License, version 2 (the SoundFont's)"
  cat /usr/share/common-licenses/GPL-2
  section "js-synthesizer, whose FluidSynth build libfluidsynth.js is"
  cat web/node_modules/js-synthesizer/LICENSE
  section "FluidSynth (libfluidsynth.js): GNU Lesser General Public License, version 2.1"
  cat web/node_modules/js-synthesizer/externals/LICENSE.fluidsynth.txt
} > out/web/NOTICES.txt
cp out/web/NOTICES.txt out/web-node/

# The offline copy is named by what it holds: a new build is a new cache,
# which replaces the old one whole.
BUILD_HASH=$(cd out/web && cat index.html audio-worklet.js manifest.json NOTICES.txt libfluidsynth.js ruzoz.js ruzoz.wasm \
  ruzoz.data icons/*.png | sha1sum | cut -c1-16)
sed "s/@BUILD@/$BUILD_HASH/" web/sw.js > out/web/sw.js

echo "Built out/web; serve it with: python3 -m http.server --bind 127.0.0.1 --directory out/web"
