#!/usr/bin/env bash
# Runs the tool on the practice site: installs what is needed, builds the
# tool and the site, starts the site on a free port of 127.0.0.1, puts the
# three photos the tool types where it looks for them, and runs the tool with
# its browser routed to the site. Closing the tool stops the site.
#
# NVK_BUILD_DIR chooses the build directory (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${NVK_BUILD_DIR:-build}"

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja
# Only the two programs are needed to run; the tests build with scripts/test.sh.
cmake --build "$build" --target nvk nvk-practice-site

# The photo paths the tool types ("c:\Projects\qmtx\Images\...") resolve
# under the tool's drive folder. The user's own files there are kept.
images="${XDG_DATA_HOME:-$HOME/.local/share}/nvk/drive_c/Projects/qmtx/Images"
mkdir -p "$images"
for n in 1 2 3; do
    photo="V1269038-0$n.jpg"
    if [ ! -e "$images/$photo" ]; then
        cp "practice/photos/$photo" "$images/$photo"
        echo "run-practice: placed $images/$photo"
    fi
done

records="$build/practice-records.jsonl"
site_out="$(mktemp)"
site_pid=""
stop_site() {
    if [ -n "$site_pid" ] && kill -0 "$site_pid" 2>/dev/null; then
        kill -TERM "$site_pid" 2>/dev/null || true
        wait "$site_pid" 2>/dev/null || true
    fi
    rm -f "$site_out"
}
trap stop_site EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$build/practice/nvk-practice-site" --port 0 --records "$records" >"$site_out" &
site_pid=$!

# The site prints "port N" once it accepts connections.
port=""
for _ in $(seq 100); do
    port="$(sed -n 's/^port \([0-9][0-9]*\)$/\1/p' "$site_out")"
    [ -n "$port" ] && break
    kill -0 "$site_pid" 2>/dev/null || { echo "run-practice: the practice site did not start" >&2; exit 1; }
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "run-practice: the practice site did not report its port" >&2
    exit 1
fi
echo "run-practice: practice site on 127.0.0.1:$port, records in $records"
echo "run-practice: open http://127.0.0.1:$port/ in any browser to see the site's state"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run-practice: no display found; under a headless session, run: xvfb-run -a bash $0" >&2
fi

proxy="--proxy-server=http://127.0.0.1:$port"
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:+$QTWEBENGINE_CHROMIUM_FLAGS }$proxy"
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi

status=0
"$build/app/nvk" || status=$?
exit "$status"
