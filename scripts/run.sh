#!/usr/bin/env bash
# Builds the toy and starts it: in a window when a display exists, otherwise a headless run that
# writes PNG frames.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build
if [[ -x build/bin/pellam-marble-wall ]]; then
    if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
        exec build/bin/pellam-marble-wall "$@"
    fi
    mkdir -p build/frames
    build/bin/pellam-marble-wall --headless --frames 300 --screenshot build/frames/frame.png "$@"
    echo "No display: wrote build/frames/frame.png"
else
    echo "The host program is not built yet; built the runtime and the module under build/lib."
fi
