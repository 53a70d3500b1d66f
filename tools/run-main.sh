#!/usr/bin/env bash
# The main job of `make run`: the tracker when it is built. Until then, the demo song through
# the sound device until Enter is pressed; without a sound device or a terminal (CI), the
# demo rendered to a WAV file, with a line saying where.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/assets/demo/demo.quavex"
wav="$build/demo.wav"
if [ -x "$build/bin/tonweave" ]; then
  exec "$build/bin/tonweave"
fi
if [ -x "$build/bin/tonweave-play" ]; then
  exec "$build/bin/tonweave-play" --wav "$wav" "$demo"
fi
"$build/bin/tonweave-convert" "$demo" "$wav"
echo "No player built. Rendered the demo song to $(cd "$(dirname "$wav")" && pwd)/$(basename "$wav")"
