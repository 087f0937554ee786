#!/usr/bin/env bash
# Sets up, builds and starts the editor. Without an attached pedal it runs in demo mode against
# the virtual pedal; set TARVO_MAX_VIRTUAL_PEDAL=0 to start it with real bridges only.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
export TARVO_MAX_VIRTUAL_PEDAL="${TARVO_MAX_VIRTUAL_PEDAL:-1}"
exec build/bin/tarvo-max-editor
