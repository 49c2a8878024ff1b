#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds, and starts the workstation on the simulated card.
# The program runs in run/, a working copy of the shipped settings and course material,
# so using it never modifies the files tracked by git.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# Builds only the simulated workstation: the tests are built by scripts/tester.sh.
bash "$here/scripts/setup.sh" regulateur-vantor-simulation

work="$here/run"
mkdir -p "$work"
for folder in sauvegarde aide méthode; do
  mkdir -p "$work/$folder"
  # Copy only what is missing: the teacher's settings survive a restart.
  cp -rn "$here/$folder/." "$work/$folder/" 2>/dev/null || true
done
# The course material is read only: bring it up to date with the shipped one.
for folder in aide méthode; do
  cp -r "$here/$folder/." "$work/$folder/"
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
Aucun écran graphique n'est disponible (ni DISPLAY ni WAYLAND_DISPLAY).
Le Régulateur Vantor est une application à fenêtres : lancez-le depuis une session
graphique, ou sur un serveur sans écran dans un écran virtuel, par exemple :
    xvfb-run -a -s "-screen 0 1280x1024x24" bash scripts/demarrer-simulation.sh
MSG
  exit 2
fi

cd "$work"
exec "$here/build/src/app/regulateur-vantor-simulation"
