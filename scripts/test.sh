#!/usr/bin/env bash
# New machine to passing tests: install, build, run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${MELQUON_PRESET:-default}
bash scripts/install-deps.sh
bash scripts/build.sh "$preset"
ctest --preset "$preset"
