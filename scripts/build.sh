#!/usr/bin/env bash
# Configures and builds with the preset given as the first argument (default: "default"); further
# arguments name the targets to build (default: all).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true
cmake --preset "$preset" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build --preset "$preset" --target "$@"
else
  cmake --build --preset "$preset"
fi
