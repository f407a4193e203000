#!/usr/bin/env bash
# Pictures of every page of the window after a calculation on the sample archive, taken under
# Xvfb. Usage: scripts/screenshots.sh [output folder]   (default: <build>/screenshots)
# MELQUON_BUILD_DIR names the build folder (default: build, the default preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${MELQUON_BUILD_DIR:-build}
out=${1:-$build/screenshots}
[ -f "$build/CMakeCache.txt" ] || cmake --preset default >/dev/null
cmake --build "$build" --target ui_window_test melquon_sample
mkdir -p "$out"
out=$(cd "$out" && pwd)
# The window's test program takes the pictures when MELQUON_SCREENSHOTS names their folder.
MELQUON_SCREENSHOTS="$out" xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bin/ui_window_test" screenshots
ls -1 "$out"/*.png
