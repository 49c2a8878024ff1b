#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package as a school's administrator and a teacher meet it:
#   - lintian finds no error; the desktop entries and the AppStream metadata, as
#     installed, pass desktop-file-validate and appstreamcli validate;
#   - the USB interface board's firmware is shipped where the messages say, as a valid
#     Intel HEX file that fits below an Uno's boot loader; the simulated bench is not
#     shipped;
#   - unpacked into a scratch root (dpkg -x), the simulated workstation starts under
#     Xvfb with an empty HOME and shows its main window; the user's folder then holds
#     the shipped settings, help texts and pictures; a second start changes nothing
#     there; a setting changed there survives a restart (and the headless tool reads
#     it too);
#   - a user folder that cannot be made (read-only parent) gives the French message and
#     a non-zero exit, and nothing is written.
# Needs Xvfb and xdotool; run as root (the read-only case runs as user nobody, whom
# permissions stop).
#   tests/package/check_package.sh paquet/regulateur-vantor_1.1-1_amd64.deb
set -euo pipefail
deb="$(realpath "${1:?usage: check_package.sh PAQUET.deb}")"

work="$(mktemp -d)"
chmod 0755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "ÉCHEC : $*" >&2
  exit 1
}
step() { echo "-- $*"; }

step "lintian"
lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v 'root privileges' "$work/lintian" || true
[ "$lintian_status" -eq 0 ] || fail "lintian signale une erreur"

root="$work/racine"
dpkg -x "$deb" "$root"
step "desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
[ "$(ls "$root"/usr/share/applications/*.desktop | wc -l)" -eq 2 ] || fail "deux entrées de menu attendues"
step "programmes et licence"
source="$(cd "$(dirname "$0")/../.." && pwd)"
for program in "$root"/usr/bin/*; do
  if grep -q -a -F "$source" "$program"; then fail "$(basename "$program") nomme le dossier des sources $source"; fi
done
grep -q '^License: GPL-3.0-or-later' "$root/usr/share/doc/regulateur-vantor/copyright" ||
  fail "la licence GPL-3.0-or-later n'est pas dans debian/copyright"
step "appstreamcli validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

# Checks an Intel HEX file: every line a record ":" + hexadecimal pairs whose length
# matches its byte count and whose bytes sum to 0 modulo 256; data records, then one
# end-of-file record, last; every data byte below the address $2, in hexadecimal.
check_ihex() {
  local file="$1" limit=$((16#$2)) n=0 line count sum i type base=0 top=0 data=0 eof=0
  while IFS= read -r line || [ -n "$line" ]; do
    line="${line%$'\r'}"
    n=$((n + 1))
    [ "$eof" -eq 0 ] || { echo "ligne $n après l'enregistrement de fin"; return 1; }
    [[ "$line" =~ ^:([0-9A-Fa-f][0-9A-Fa-f])+$ ]] ||
      { echo "ligne $n : pas un enregistrement Intel HEX"; return 1; }
    count=$((16#${line:1:2}))
    [ "${#line}" -eq $((11 + 2 * count)) ] || { echo "ligne $n : longueur fausse"; return 1; }
    sum=0
    for ((i = 1; i < ${#line}; i += 2)); do sum=$((sum + 16#${line:i:2})); done
    [ $((sum % 256)) -eq 0 ] || { echo "ligne $n : somme de contrôle fausse"; return 1; }
    type="${line:7:2}"
    case "$type" in
      00)
        data=$((data + count))
        i=$((base + 16#${line:3:4} + count))
        [ "$i" -le "$top" ] || top="$i"
        ;;
      01) eof=1 ;;
      02) base=$((16#${line:9:4} * 16)) ;;
      04) base=$((16#${line:9:4} * 65536)) ;;
      03 | 05) ;;
      *) echo "ligne $n : type d'enregistrement $type inconnu"; return 1 ;;
    esac
  done <"$file"
  [ "$eof" -eq 1 ] || { echo "pas d'enregistrement de fin"; return 1; }
  [ "$data" -gt 0 ] || { echo "aucune donnée"; return 1; }
  [ "$top" -le "$limit" ] || { echo "programme trop long : $top octets (au plus $limit)"; return 1; }
}

step "micrologiciel de l'interface USB"
hex="$root/usr/share/regulateur-vantor/interface-usb.hex"
[ -f "$hex" ] || fail "$hex manque au paquet"
# 32 Kio of flash less the 512 bytes of an Uno's boot loader.
reason="$(check_ihex "$hex" 7E00)" || fail "interface-usb.hex n'est pas un fichier Intel HEX valable : $reason"
! dpkg-deb -c "$deb" | grep -q 'banc' || fail "le banc simulé ne doit pas être livré"

# An X server of our own, on the first free display.
# -noreset: without it the server resets each time its last client leaves, and a
# program that connects during the reset fails to open the display. -ac: one start runs
# as user nobody, who must be let in whatever local access the server grants by default.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -ac 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb ne démarre pas"
export DISPLAY=":$(head -n 1 "$work/display")"

program="$root/usr/bin/regulateur-vantor-simulation"
home="$work/maison"
mkdir -p "$home"
data="$home/.local/share/regulateur-vantor"

# Starts the workstation from $home with HOME=$home (as user $1, "" for root), waits
# for the window whose title holds $2, and leaves its process id in $started.
start() {
  local user="$1" title="$2" as=()
  [ -n "$user" ] && as=(setpriv --reuid "$user" --regid "$user" --clear-groups)
  (cd "$home" && exec env -u XDG_DATA_HOME HOME="$home" "${as[@]}" "$program" \
    >"$work/sortie" 2>"$work/erreurs") &
  started=$!
  pids+=("$started")
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name "$title" >/dev/null 2>&1 && return 0
    kill -0 "$started" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/erreurs" >&2
  fail "la fenêtre « $title » n'apparaît pas"
}
stop() {
  kill -TERM "$started" 2>/dev/null || true
  wait "$started" 2>/dev/null || true
}
# Files of the user's folder with their content and modification time.
snapshot() { (cd "$data" && find . -printf '%p %s %T@\n' | LC_ALL=C sort && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum); }

step "premier lancement, HOME vide"
start "" "carte simulée"
stop
[ "$(ls "$data/sauvegarde" | wc -l)" -eq 15 ] || fail "quinze fichiers de réglages attendus dans $data/sauvegarde"
# The firmware stays in /usr/share, for avrdude: it is not part of the working folder.
diff -r -x interface-usb.hex "$root/usr/share/regulateur-vantor" "$data" ||
  fail "le dossier de l'utilisateur diffère de la copie livrée"

step "deuxième lancement : rien ne change"
before="$(snapshot)"
start "" "carte simulée"
stop
[ "$(snapshot)" = "$before" ] || fail "le deuxième lancement a modifié $data"

step "un réglage modifié survit au redémarrage"
sed -i 's/16\.00/32.00/' "$data/sauvegarde/kpmax.rtf"
grep -q '32\.00' "$data/sauvegarde/kpmax.rtf" || fail "kpmax.rtf inattendu"
start "" "carte simulée"
stop
grep -q '32\.00' "$data/sauvegarde/kpmax.rtf" || fail "le réglage kpmax a été remplacé"
# The headless tool finds the same folder: a gain of 100 is brought back to kpmax.
(cd "$home" && env -u XDG_DATA_HOME HOME="$home" "$root/usr/bin/regulateur-vantor-lot" \
  --consigne echelon --kp 100 --cycles 5 --csv "$work/essai.csv") | grep -qx 'Edit1=32' ||
  fail "l'outil sans fenêtre ne lit pas le kpmax du dossier de l'utilisateur"

step "dossier impossible à créer (parent en lecture seule)"
home="$work/lecture-seule"
mkdir -p "$home/.local/share"
chmod -R 0555 "$home"
start 65534 "Régulateur Vantor"
xdotool windowfocus --sync "$(xdotool search --onlyvisible --name 'Régulateur Vantor' | head -n 1)" \
  key Return
status=0
wait "$started" || status=$?
[ "$status" -ne 0 ] || fail "code de retour nul malgré un dossier impossible à créer"
grep -qx "Impossible de préparer le dossier de travail $home/.local/share/regulateur-vantor\." \
  "$work/erreurs" && grep -qx "Cause : permission refusée" "$work/erreurs" ||
  { cat "$work/erreurs" >&2; fail "message attendu absent"; }
[ -z "$(ls -A "$home/.local/share")" ] || fail "quelque chose a été écrit dans $home/.local/share"

echo "paquet vérifié : $(basename "$deb")"
