#!/usr/bin/env bash
# The main job of `make run`: the tracker with the demo song. Without a display, the demo
# song through the sound device until Enter is pressed; without a sound device or a
# terminal (CI), the demo rendered to a WAV file, with a line saying where.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/assets/demo/demo.quavex"
wav="$build/demo.wav"
if [ -x "$build/bin/tonweave" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/bin/tonweave" "$demo"
  fi
  echo "The tracker needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Playing the demo song without it instead."
fi
if [ -x "$build/bin/tonweave-play" ]; then
  exec "$build/bin/tonweave-play" --wav "$wav" "$demo"
fi
"$build/bin/tonweave-convert" "$demo" "$wav"
echo "No player built. Rendered the demo song to $(cd "$(dirname "$wav")" && pwd)/$(basename "$wav")"
