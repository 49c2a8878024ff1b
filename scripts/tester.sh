#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and runs every test. Exits non-zero if any fails.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
cd "$here"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-tests=error -j2
