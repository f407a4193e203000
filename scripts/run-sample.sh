#!/usr/bin/env bash
# New machine to a running program: install, build, then open the window on the bundled sample
# archive when a display is there, otherwise print the sample report with melquon-cli.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh default Melquon melquon-cli melquon_sample
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/bin/Melquon ]; then
  exec build/bin/Melquon
fi
exec build/bin/melquon-cli
