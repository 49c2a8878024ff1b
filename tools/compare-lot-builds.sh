#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the headless tool of two builds on the same inputs and compares what they write:
# the CSV, the port log and the printed lines. For a refactoring that must change
# nothing:   tools/compare-lot-builds.sh OLD/regulateur-vantor-lot NEW/regulateur-vantor-lot
set -u
A=$1; B=$2; out=$(mktemp -d); rm -rf $out; mkdir -p $out/a $out/b
cases=(
 "--consigne echelon --kp 2 --cycles 200"
 "--consigne echelon --kp 1 --kd 0.5 --ki 0.3 --cycles 400 --procede vitesse --profil réaliste --graine 7"
 "--consigne sin --kp 2 --frequence 0.5 --amplitude 2 --cycles 300"
 "--consigne triang --kp 3 --ki 1 --cycles 300 --procede thermique"
 "--consigne carr --kp 2 --cycles 250 --boucle ouverte"
 "--consigne externe --kp 2 --cycles 100 --tension-externe 5"
 "--consigne echelon --kp 2 --cycles 120 --sortie1 active"
 "--consigne echelon --kp 4 --cycles 2100 --charge 2,1.5 --profil réaliste --mesures"
 "--consigne echelon --kp 2 --cycles 50 --panne ligne7"
 "--consigne echelon --kp 2 --cycles 50 --procede constant:2000,100"
 "--cycles 10"
)
i=0; bad=0
for c in "${cases[@]}"; do
  i=$((i+1))
  for side in a b; do
    bin=$A; [ $side = b ] && bin=$B
    (cd "$(dirname "$0")/.." && $bin $c --csv $out/$side/$i.csv --ports $out/$side/$i.ports > $out/$side/$i.out 2>&1; echo "rc=$?" >> $out/$side/$i.out)
  done
  for ext in csv ports out; do
    # The run's date and the number of polls of a wait bounded on the wall clock vary.
    norm() { [ -f "$1" ] && grep -v '^# date=' "$1" | uniq; }
    if [ "$(norm $out/a/$i.$ext)" != "$(norm $out/b/$i.$ext)" ]; then
      echo "case $i ($c): $ext differs"; bad=1
    fi
  done
  echo "case $i: $(wc -l < $out/a/$i.ports 2>/dev/null) port lines, $(tail -1 $out/a/$i.out)"
done
rm -rf "$out"
exit $bad
