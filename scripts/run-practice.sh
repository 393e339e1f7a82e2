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

# The practice launcher, with this build's programs and the project's photos:
# it places the photos, starts the site, runs the tool routed to it and stops
# the site when the tool ends.
export NVK_PROGRAM="$build/app/nvk"
export NVK_PRACTICE_SITE_PROGRAM="$build/practice/nvk-practice-site"
export NVK_PRACTICE_PHOTOS="practice/photos"
export NVK_PRACTICE_RECORDS="$build/practice-records.jsonl"
exec packaging/nvk-practice "$@"
