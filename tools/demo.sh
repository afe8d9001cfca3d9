#!/usr/bin/env bash
# The main job: build the plug-in and its command-line host, then render the
# bundled demo piece through the plug-in to demo.wav with a picture demo.png,
# and draw the editor as it looks for the demo's first program to panel.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
./build/strellon-render -o demo.wav --plot demo.png "$@"
./build/strellon-panel --demo-program -o panel.png
