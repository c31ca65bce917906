#!/usr/bin/env bash
# Builds and runs the demo game: in a window when a display is there,
# headless otherwise (a fixed number of frames, the last one saved as PNG).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/bin/vexo-demo "$@"
