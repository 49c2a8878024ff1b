#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Pacing through the USB interface board: the real firmware in the simulated bench, the
# headless tool driving it in real time for N cycles (400 by default, 20 s). Prints the
# tool's figures: late cycles, mean period on the PC's clock, and the delays from each
# conversion to the order applied, as the board's Timer1 measured them (bench time).
#   bench/usb_pacing.sh [BUILD_DIR] [CYCLES]
set -euo pipefail
build="${1:-build}"
cycles="${2:-400}"
work="$(mktemp -d)"
trap 'kill "$bench" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
"$build/tools/banc/regulateur-vantor-banc" --micrologiciel "$build/firmware/interface-usb.elf" \
  --procede position --lien "$work/interface" >"$work/banc.txt" 2>&1 &
bench=$!
for _ in $(seq 100); do [ -e "$work/interface" ] && break; sleep 0.05; done
"$build/src/lot/regulateur-vantor-lot" --dossier "$work/poste" --carte "usb:$work/interface" \
  --consigne echelon --echelon 6 --kp 2 --cycles "$cycles" --csv "$work/essai.csv"
