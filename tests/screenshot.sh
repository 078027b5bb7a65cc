#!/usr/bin/env bash
# Starts the real program on a virtual display and saves a screenshot of the
# whole screen, to look at the editor as a user would see it.
#   tests/screenshot.sh [output.png] [seconds to wait before the shot]
# Needs a built program (scripts/build), Xvfb, xdotool and ImageMagick.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
buildDir="${TAVLO_BUILD_DIR:-$here/build}"
output="$(realpath -m "${1:-$buildDir/screenshot.png}")"
settle="${2:-2}"

if [ -z "${TAVLO_SCREENSHOT_INNER:-}" ]; then
    # Own runtime and home folders, so the single-instance lock of a copy that
    # is already running elsewhere does not turn this start away.
    # Not exec'd: this shell stays to remove the scratch folder afterwards.
    scratch="$(mktemp -d)"
    trap 'rm -rf "$scratch"' EXIT
    TAVLO_SCREENSHOT_INNER=1 XDG_RUNTIME_DIR="$scratch" HOME="$scratch" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$output" "$settle"
    exit
fi

"$buildDir/Tavlo" &
tavlo=$!
trap 'kill "$tavlo" 2>/dev/null || true; wait "$tavlo" 2>/dev/null || true' EXIT

# Wait for the window, then give the editor time to lay out and paint.
for _ in $(seq 1 100); do
    if xdotool search --onlyvisible --pid "$tavlo" --name "Dravel Tavlo" >/dev/null 2>&1; then
        break
    fi
    sleep 0.1
done
sleep "$settle"

import -window root "$output"
echo "$output"
