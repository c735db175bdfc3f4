#!/usr/bin/env bash
# Builds the toy and starts it: in a window when a display exists, otherwise a headless run that
# writes PNG frames of the running wall. Options are passed on to the program (see --help).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build pellam-marble-wall pellam_marble_wall tessel_graphics

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec build/bin/pellam-marble-wall "$@"
fi
mkdir -p build/frames
for frames in 60 180 300; do
    build/bin/pellam-marble-wall --headless --frames "$frames" --storage build/frames/storage \
        --screenshot "build/frames/frame_$frames.png" "$@"
done
echo "No display found: ran headless and wrote build/frames/frame_60.png, frame_180.png and frame_300.png"
