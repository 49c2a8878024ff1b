#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the headless tool of two builds on the same inputs and compares what they write:
# the CSV, the port log and the printed lines. For a refactoring that must change
# nothing:   tools/compare-lot-builds.sh OLD/regulateur-vantor-lot NEW/regulateur-vantor-lot
#
# When each build tree also holds the simulated bench and the firmware
# (tools/banc/regulateur-vantor-banc, firmware/interface-usb.elf, beside src/lot/), the
# USB cases run each tool on its own build's bench, in real time. Such a run is paced by
# the wall clock, so it is not repeatable to the byte: the two runs must end alike (same
# code, same printed names) and their feedbacks agree within 0.1 V RMS, as the
# hardware-in-the-loop tests ask of the board against the simulated card.
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
 # The laws: the relay test, the on-off corrector, the industrial PID in its forms.
 "--consigne echelon --echelon 5 --cycles 1300 --procede thermique --loi relais:2,0.1 --relais"
 "--consigne echelon --cycles 400 --procede vitesse --loi tout-ou-rien:2,0.2"
 "--consigne echelon --kp 2 --ki 0.5 --kd 0.2 --cycles 400 --correcteur industriel --forme standard --filtre-derivee 8 --ponderation 0.5 --anti-emballement recalcul --manuel 5,8"
 "--consigne echelon --kp 2 --ki 1 --cycles 300 --procede thermique --correcteur industriel --anti-emballement saturation --derivee-sur-mesure"
 # Open loop, for identification and frequency response.
 "--consigne echelon --echelon 5 --boucle ouverte --cycles 600 --procede thermique --identification --reglages"
 "--consigne sin --boucle ouverte --frequence 0.2 --amplitude 2 --moyenne 4 --cycles 800 --procede vitesse --frequentiel"
 # The models of identification and the parameters of the process table.
 "--consigne echelon --kp 1 --cycles 300 --procede strejc:1,2,0.5,3"
 "--consigne echelon --echelon 4 --boucle ouverte --cycles 300 --procede integrateur:0.5,0.4"
 "--consigne echelon --kp 2 --cycles 300 --procede ordre1:1.5,4,1 --parametre repos=0.5"
 "--consigne echelon --kp 2 --cycles 200 --procede thermique --parametre retard=3"
 "--consigne echelon --kp 2 --cycles 50 --panne convertisseur"
 # Refusals whose messages list the process table's words and forms.
 "--consigne echelon --cycles 10 --procede four"
 "--consigne echelon --cycles 10 --procede strejc:1,2,0.5"
 "--consigne echelon --cycles 10 --procede integrateur:0.5,40"
)
usb_cases=(
 "--consigne echelon --kp 2 --cycles 200"
 "--consigne echelon --kp 2 --ki 0.5 --cycles 200 --correcteur industriel --filtre-derivee 8"
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
  echo "case $i: $(cat $out/a/$i.ports 2>/dev/null | wc -l) port lines, $(tail -1 $out/a/$i.out)"
done

# The USB board through each build's simulated bench.
bench_of() { echo "$(dirname "$1")/../../tools/banc/regulateur-vantor-banc"; }
elf_of() { echo "$(dirname "$1")/../../firmware/interface-usb.elf"; }
if [ -x "$(bench_of $A)" ] && [ -x "$(bench_of $B)" ] && [ -f "$(elf_of $A)" ] && [ -f "$(elf_of $B)" ]; then
  # The names a run printed, without their values (counts and delays vary with the wall clock).
  names() { sed -e '/^rc=/!s/=[^ ]*/=/g' -e 's/ sur [0-9]*//; s/([^)]*)//' "$1"; }
  # Root mean square of the feedbacks' difference over the entries both runs recorded, volts.
  rms() {
    paste -d, <(grep -v '^#' "$1" | tail -n +2) <(grep -v '^#' "$2" | tail -n +2) |
      awk -F, 'NF >= 18 { d = ($4 - $13) / 100; s += d * d; n++ } END { if (n == 0) print "-"; else printf "%.4f", sqrt(s / n) }'
  }
  j=0
  for c in "${usb_cases[@]}"; do
    j=$((j+1))
    for side in a b; do
      bin=$A; [ $side = b ] && bin=$B
      link=$out/usb$j.link
      # A machine too busy to answer the board within two periods trips its watchdog,
      # whatever the build: such a run is made again, three times at most.
      for try in 1 2 3; do
        "$(bench_of $bin)" --micrologiciel "$(elf_of $bin)" --procede position --lien $link > $out/$side/usb$j.banc 2>&1 &
        banc=$!
        for _ in $(seq 50); do [ -e $link ] && break; sleep 0.1; done
        (cd "$(dirname "$0")/.." && $bin --carte usb:$link $c --csv $out/$side/usb$j.csv > $out/$side/usb$j.out 2>&1; echo "rc=$?" >> $out/$side/usb$j.out)
        kill $banc 2>/dev/null; wait $banc 2>/dev/null
        grep -q "chien de garde" $out/$side/usb$j.out || break
        echo "usb case $j, $side: the board's watchdog tripped (machine busy), run again"
      done
    done
    r=$(rms $out/a/usb$j.csv $out/b/usb$j.csv)
    if [ "$(names $out/a/usb$j.out)" != "$(names $out/b/usb$j.out)" ]; then
      echo "usb case $j ($c): out differs"; bad=1
    fi
    if [ "$r" = "-" ] || awk -v r="$r" 'BEGIN { exit !(r >= 0.1) }'; then
      echo "usb case $j ($c): feedbacks differ (RMS $r V)"; bad=1
    fi
    echo "usb case $j: feedback RMS $r V, $(tail -1 $out/a/usb$j.out)"
  done
else
  echo "no simulated bench and firmware beside both builds: USB cases skipped"
fi
rm -rf "$out"
exit $bad
