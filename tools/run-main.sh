#!/usr/bin/env bash
# The main job of `make run`: the tracker when it is built, otherwise the converter's help.
set -euo pipefail
build=${1:-build}
if [ -x "$build/bin/tonweave" ]; then
  exec "$build/bin/tonweave"
fi
exec "$build/bin/tonweave-convert"
