#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The ledger of the course's claims: every number and trend the help states is written in
the course sources (tools/course-texts/*.txt) beside its paragraph, with the headless
tool's command that shows it. This module reads the claims (the course generator refuses a
malformed one) and runs them:

    python3 tools/course_ledger.py --outil build/src/lot/regulateur-vantor-lot

Exit code 0 when every claim holds; 1 with the paragraph of the first claim that no longer
holds (and the others after it); 2 for a malformed claim or command line.

A claim is a line after the paragraph it checks:

    ? CLÉ = 0,44 ± 0,03 : --procede vitesse --echelon 2 --kp 1 --cycles 600 --mesures
    ? CLÉ < 3 : OPTIONS                   a bound
    ? CLÉ = entretenue : OPTIONS          a word the tool prints
    ? CLÉ = 1 ; 0,67 ; 0,4 ± 0,05 : OPTIONS_A ; OPTIONS_B ; OPTIONS_C   one value per variant
    ? CLÉ = 6 ; 0,6 ± 10 % : OPTIONS_A ; OPTIONS_B                     a relative tolerance
    ? CLÉ décroît : OPTIONS_A ; OPTIONS_B ; OPTIONS_C                   a trend over variants
    ?= OPTIONS                            options shared by the claims that follow, until
                                          the next "==" heading (a claim's own options win)

and may end with qualifiers, each after " @ ":

    @ graines 1-5        the seeds the claim must hold for (each one run with --graine N);
                         a claim on the realistic profile needs at least five
    @ kimax=16           a teacher's range widened for the claim (a file of sauvegarde/)
    @ avant OPTIONS      a run made first, with the same seed, whose record the claim's
                         options name AVANT (--prevoir AVANT:mc: the open-loop run a
                         prediction is identified on)

CLÉ is a `name=value` line the tool prints (--mesures, --identification, --pompage,
--relais, --frequentiel, --reglages, --marges...), or one read from the run's record:
retour_max, retour_min, retour_max_fin and retour_min_fin (over the last 20 s),
retour_final (mean of the last 2 s), oscillation_retour (half the feedback's swing over
the last 20 s), periode_retour (mean period of the feedback about
its mean over the last 30 s), ordre_integral_max, ordre_derive_fin (half the derivative
order's swing over the last 20 s), duree_ordre_haut (longest stretch with the order at its
upper limit, s), instant_echelon (first entry where the setpoint has left its first value, s).

Every number of a claim's value but 0 is written as in the paragraph, which must contain
it: changing a number in the text without its claim is refused as well.
"""
import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

FLAGS = {"--mesures", "--identification", "--pompage", "--reglages", "--relais",
         "--frequentiel", "--temps-reel", "--derivee-sur-mesure", "--marges"}
RECORD_KEYS = {"retour_max", "retour_min", "retour_max_fin", "retour_min_fin",
               "retour_final", "oscillation_retour",
               "periode_retour", "ordre_integral_max", "duree_ordre_haut",
               "ordre_derive_fin", "instant_echelon"}
LEAST_REALISTIC_SEEDS = 5
NUMBER = re.compile(r"^-?\d+(,\d+)?$")


class LedgerError(Exception):
    pass


def french_number(text):
    if not NUMBER.match(text):
        raise ValueError(text)
    return float(text.replace(",", "."))


def split_options(text):
    """`--kp 1 --mesures` as [("--kp", "1"), ("--mesures", None)]."""
    words = text.split()
    out, i = [], 0
    while i < len(words):
        name = words[i]
        if not name.startswith("--"):
            raise LedgerError("« %s » n'est pas une option de l'outil" % name)
        if name in FLAGS:
            out.append((name, None))
            i += 1
        else:
            if i + 1 >= len(words):
                raise LedgerError("l'option %s n'a pas de valeur" % name)
            out.append((name, words[i + 1]))
            i += 2
    return out


def merge_options(base, own):
    """The base's options, each replaced by the claim's own of the same name."""
    names = {name for name, _ in own}
    return [o for o in base if o[0] not in names] + own


def parse_seeds(text):
    m = re.match(r"^graines\s+(\d+)\s*-\s*(\d+)$", text)
    if m:
        a, b = int(m.group(1)), int(m.group(2))
        if b < a:
            raise LedgerError("graines %d-%d : intervalle vide" % (a, b))
        return list(range(a, b + 1))
    m = re.match(r"^graines\s+([\d,\s]+)$", text)
    if m:
        return [int(x) for x in m.group(1).replace(",", " ").split()]
    return None


class Claim:
    def __init__(self):
        self.source = ""      # file name
        self.line = 0         # line in the source
        self.where = ""       # the paragraph, for the reader of a failure
        self.key = ""
        self.relation = ""    # "=", "<", ">", "décroît", "croît"
        self.values = []      # per variant (or one for all): float or str
        self.tolerance = 0.0
        self.relative = False  # the tolerance is a percentage of the value
        self.variants = []    # lists of (name, value) options, base merged in
        self.seeds = [None]
        self.ranges = {}      # sauvegarde file stem -> value
        self.before = None    # options of a run made first, its record named AVANT

    def describe(self):
        return "%s:%d, %s" % (self.source, self.line, self.where)


def realistic(options):
    return any(n == "--profil" and v and v.startswith("r") for n, v in options)


def parse_claim(text, base, base_qualifiers, paragraph):
    """One "? ..." line (without the "?") into a Claim; `paragraph` is the text it checks."""
    parts = [p.strip() for p in text.split(" @ ")]
    body, qualifiers = parts[0], base_qualifiers + parts[1:]
    if " : " not in body:
        raise LedgerError("affirmation sans commande (« CLÉ = VALEUR : OPTIONS »)")
    lhs, command = body.split(" : ", 1)
    command = command.strip()
    if not command:
        raise LedgerError("affirmation sans commande")
    c = Claim()
    m = re.match(r"^([a-zA-Z_0-9]+)\s+(décroît|croît)$", lhs.strip())
    if m:
        c.key, c.relation = m.group(1), m.group(2)
    else:
        m = re.match(r"^([a-zA-Z_0-9]+)\s*(=|<|>)\s*(.+)$", lhs.strip())
        if not m:
            raise LedgerError("« %s » : attendu CLÉ = VALEUR, CLÉ < VALEUR, CLÉ > VALEUR, "
                              "CLÉ croît ou CLÉ décroît" % lhs.strip())
        c.key, c.relation, rhs = m.group(1), m.group(2), m.group(3).strip()
        if "±" in rhs:
            rhs, tol = [x.strip() for x in rhs.split("±", 1)]
            if tol.endswith("%"):
                tol = tol[:-1].strip()
                c.relative = True
            try:
                c.tolerance = french_number(tol)
            except ValueError:
                raise LedgerError("tolérance « %s » : un nombre (virgule décimale)" % tol)
        for v in [x.strip() for x in rhs.split(";")]:
            try:
                number = french_number(v)
            except ValueError:
                if c.relation != "=" or not re.match(r"^[\w '’-]+$", v):
                    raise LedgerError("valeur « %s » : un nombre (virgule décimale) ou un mot"
                                      % v)
                c.values.append(v)
                continue
            # Zero is what "disappears" or "is not null" says without writing it.
            if number != 0 and not re.search(r"(?<![\d,])" + re.escape(v) + r"(?![\d])",
                                             paragraph.replace("\u2212", "-")):
                raise LedgerError("la valeur %s n'est pas dans le paragraphe qu'elle vérifie"
                                  % v)
            c.values.append(number)
        if c.relation == "=" and any(isinstance(v, float) for v in c.values) \
                and "±" not in m.group(3):
            raise LedgerError("une valeur numérique demande sa tolérance (« ± »)")
    variants = [v.strip() for v in command.split(";")]
    c.variants = [merge_options(base, split_options(v)) for v in variants]
    if c.relation in ("décroît", "croît") and len(c.variants) < 2:
        raise LedgerError("une tendance demande au moins deux variantes (« ; »)")
    if c.values and len(c.values) not in (1, len(c.variants)):
        raise LedgerError("%d valeurs pour %d variantes" % (len(c.values), len(c.variants)))
    for q in qualifiers:
        m = re.match(r"^avant\s+(.+)$", q)
        if m:
            c.before = split_options(m.group(1))
            continue
        seeds = parse_seeds(q)
        if seeds is not None:
            c.seeds = seeds
            continue
        m = re.match(r"^([a-z0-9]+)=(-?\d+(\.\d+)?)$", q)
        if not m:
            raise LedgerError("qualificatif « %s » : « graines A-B » ou « plage=valeur »" % q)
        c.ranges[m.group(1)] = m.group(2)
    if any(realistic(v) for v in c.variants) and \
            len([s for s in c.seeds if s is not None]) < LEAST_REALISTIC_SEEDS:
        raise LedgerError("une affirmation sur le procédé réaliste doit tenir pour au moins "
                          "%d graines (« @ graines 1-5 »)" % LEAST_REALISTIC_SEEDS)
    return c


def headings_of(blocks, index):
    """The section and subsection a block sits under."""
    h2 = h3 = ""
    for kind, text in blocks[:index + 1]:
        if kind == "h2":
            h2, h3 = text, ""
        elif kind == "h3":
            h3 = text
    return " › ".join(x for x in (h2, h3) if x)


def claims_of(source, blocks, raw_claims):
    """The claims of one course source; raises LedgerError naming the line of a bad one."""
    out = []
    base, base_qualifiers, base_section = [], [], None
    for line, text, index in raw_claims:
        try:
            if index < 0:
                raise LedgerError("affirmation avant tout paragraphe")
            section = headings_of(blocks, index)
            chapter = section.split(" › ")[0]
            if chapter != base_section:
                base, base_qualifiers, base_section = [], [], chapter
            if text.startswith("?="):
                parts = [p.strip() for p in text[2:].split(" @ ")]
                base = split_options(parts[0])
                base_qualifiers = parts[1:]
                continue
            if not text.startswith("? "):
                raise LedgerError("une affirmation commence par « ? » suivi d'une espace")
            kind, paragraph = blocks[index]
            c = parse_claim(text[2:], base, base_qualifiers, paragraph)
            c.source, c.line = source, line
            start = paragraph if len(paragraph) <= 70 else paragraph[:70] + "…"
            c.where = "« %s », paragraphe « %s »" % (section or "début", start)
            out.append(c)
        except LedgerError as e:
            raise LedgerError("%s:%d : %s" % (source, line, e))
    return out


def claims_of_pictures(path):
    """The claims of the method sheets, drawn by tools/make_pictures.cpp: a comment line
    "// ? ..." (or "// ?= ...") after the statement whose French text it checks."""
    name = os.path.basename(path)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    literal = re.compile(r'"((?:[^"\\]|\\.)*)"')
    blocks, raw, current = [], [], []
    for number, line in enumerate(lines, 1):
        stripped = line.strip()
        if stripped.startswith("// ?"):
            raw.append((number, stripped[3:], len(blocks) - 1))
            continue
        if stripped.startswith("//"):
            continue
        current += literal.findall(line)
        if stripped.endswith(";"):
            if current:
                blocks.append(("text", "".join(current).replace("\\n", " ")))
            current = []
    return claims_of(name, blocks, raw)


def read_sources(folder, pictures=None):
    """Every claim of every course source, in file and line order, then the method
    sheets'."""
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import make_course_texts
    claims = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".txt"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            lines = f.readlines()
        header = 0
        while header < len(lines) and lines[header].startswith("@"):
            header += 1
        raw = []
        blocks = make_course_texts.parse(lines[header:], raw)
        raw = [(line + header, text, index) for line, text, index in raw]
        claims += claims_of(name, blocks, raw)
    if pictures and os.path.exists(pictures):
        claims += claims_of_pictures(pictures)
    return claims


# ---------------------------------------------------------------------------------------
# Running a claim


def read_record(path):
    """The run's `# key=value` lines and its columns (volts, seconds)."""
    meta, rows, header = {}, [], None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("# "):
                key, _, value = line[2:].partition("=")
                meta[key] = value
            elif header is None:
                header = line.split(",")
            elif line:
                rows.append(line.split(","))
    entries = int(meta.get("entrees", len(rows) - 1))
    cols = {}
    for i, name in enumerate(header):
        if name == "k":
            continue
        scale = 1.0 if name == "t" else 0.01
        cols[name] = [float(r[i]) * scale for r in rows[1:entries + 1]]
    return meta, cols


def record_keys(path):
    meta, cols = read_record(path)
    t, y = cols["t"], cols["retour"]
    period = t[1] - t[0] if len(t) > 1 else 0.05
    out = {"retour_max": max(y), "retour_min": min(y)}
    moved = [i for i, c in enumerate(cols["consigne"]) if c != cols["consigne"][0]]
    if moved:
        out["instant_echelon"] = t[moved[0]]

    def last(seconds, values):
        n = max(1, int(round(seconds / period)))
        return values[-n:]

    tail2 = last(2, y)
    out["retour_final"] = sum(tail2) / len(tail2)
    tail20 = last(20, y)
    out["oscillation_retour"] = (max(tail20) - min(tail20)) / 2
    out["retour_max_fin"], out["retour_min_fin"] = max(tail20), min(tail20)
    tail30 = last(30, y)
    mean = sum(tail30) / len(tail30)
    ups = [i for i in range(1, len(tail30)) if tail30[i - 1] < mean <= tail30[i]]
    if len(ups) >= 2:
        out["periode_retour"] = (ups[-1] - ups[0]) * period / (len(ups) - 1)
    out["ordre_integral_max"] = max(cols["ordre_integral"])
    d20 = last(20, cols["ordre_derive"])
    out["ordre_derive_fin"] = (max(d20) - min(d20)) / 2
    top = float(meta.get("ordremaxi", "10"))
    longest = run = 0
    for u in cols["ordre_total"]:
        run = run + 1 if u >= top - 0.005 else 0
        longest = max(longest, run)
    out["duree_ordre_haut"] = longest * period
    return out


def write_ranges(folder, shipped, ranges):
    save = os.path.join(folder, "sauvegarde")
    shutil.copytree(shipped, save)
    for stem, value in ranges.items():
        path = os.path.join(save, stem + ".rtf")
        if not os.path.exists(path):
            raise LedgerError("plage inconnue : %s" % stem)
        with open(path, "rb") as f:
            text = f.read()
        text = re.sub(rb"\\fs20 [-0-9.]+\\par", b"\\\\fs20 %.2f\\\\par" % float(value), text)
        with open(path, "wb") as f:
            f.write(text)


def tool_argv(tool, folder, options, seed):
    argv = [tool, "--dossier", folder]
    names = {n for n, _ in options}
    if "--consigne" not in names and "--analyser" not in names:
        argv += ["--consigne", "echelon"]
    for name, value in options:
        argv += [name] if value is None else [name, value]
    if seed is not None:
        argv += ["--graine", str(seed)]
    return argv


def run_variant(tool, shipped, claim, options, seed, work):
    folder = tempfile.mkdtemp(dir=work)
    write_ranges(folder, shipped, claim.ranges)
    if claim.before is not None:
        before = os.path.join(folder, "avant.csv")
        argv = tool_argv(tool, folder, claim.before, seed) + ["--csv", before]
        r = subprocess.run(argv, capture_output=True, text=True, timeout=600)
        if r.returncode != 0:
            raise LedgerError("l'essai d'avant « %s » a échoué (code %d) : %s"
                              % (" ".join(argv[3:]), r.returncode, r.stderr.strip()))
        options = [(n, v.replace("AVANT", before) if v else v) for n, v in options]
    argv = tool_argv(tool, folder, options, seed)
    names = {n for n, _ in options}
    csv = os.path.join(folder, "essai.csv")
    if "--analyser" not in names:
        argv += ["--csv", csv]
    shown = " ".join(argv[3:])
    r = subprocess.run(argv, capture_output=True, text=True, timeout=600)
    if r.returncode != 0:
        raise LedgerError("la commande « %s » a échoué (code %d) : %s"
                          % (shown, r.returncode, r.stderr.strip()))
    values = {}
    for line in r.stdout.splitlines():
        key, sep, value = line.partition("=")
        if not sep:
            continue
        if key.startswith("Edit"):
            raise LedgerError("« %s » : un champ est ramené à sa borne (%s) ; élargir la "
                              "plage par « @ ...max=... »" % (shown, line))
        values[key] = value
    if claim.key in RECORD_KEYS and os.path.exists(csv):
        values.update({k: "%.6g" % v for k, v in record_keys(csv).items()})
    shutil.rmtree(folder, ignore_errors=True)
    if claim.key not in values:
        raise LedgerError("« %s » ne donne pas %s" % (shown, claim.key))
    return values[claim.key], shown


def check_claim(tool, shipped, claim, work):
    """None when the claim holds, else what was found."""
    for seed in claim.seeds:
        found = []
        for i, options in enumerate(claim.variants):
            value, shown = run_variant(tool, shipped, claim, options, seed, work)
            found.append(value)
            if claim.relation in ("décroît", "croît"):
                continue
            expected = claim.values[i if len(claim.values) > 1 else 0]
            seed_text = "" if seed is None else " (graine %d)" % seed
            if isinstance(expected, str):
                if value != expected:
                    return "%s=%s au lieu de %s%s : %s" % (claim.key, value, expected,
                                                          seed_text, shown)
                continue
            try:
                x = float(value)
            except ValueError:
                return "%s=%s, pas un nombre%s : %s" % (claim.key, value, seed_text, shown)
            tolerance = claim.tolerance * abs(expected) / 100 if claim.relative \
                else claim.tolerance
            ok = {"=": abs(x - expected) <= tolerance + 1e-9,
                  "<": x < expected, ">": x > expected}[claim.relation]
            if not ok or math.isnan(x):
                tol = " ± %g" % tolerance if claim.relation == "=" else ""
                return "%s=%s, attendu %s %g%s%s : %s" % (
                    claim.key, value, claim.relation, expected, tol, seed_text, shown)
        if claim.relation in ("décroît", "croît"):
            try:
                xs = [float(v) for v in found]
            except ValueError:
                return "%s : %s, pas des nombres" % (claim.key, ", ".join(found))
            pairs = list(zip(xs, xs[1:]))
            ok = all(b < a for a, b in pairs) if claim.relation == "décroît" \
                else all(b > a for a, b in pairs)
            if not ok:
                seed_text = "" if seed is None else " (graine %d)" % seed
                return "%s ne %s pas : %s%s" % (claim.key, claim.relation,
                                                ", ".join(found), seed_text)
    return None


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description="Vérifie les affirmations chiffrées du cours.")
    ap.add_argument("--outil", required=True, help="regulateur-vantor-lot")
    ap.add_argument("--sources", default=os.path.join(here, "course-texts"))
    ap.add_argument("--sauvegarde", default=os.path.join(os.path.dirname(here), "sauvegarde"))
    ap.add_argument("--fiches", default=os.path.join(here, "make_pictures.cpp"),
                    help="le programme qui dessine les fiches de méthode, et leurs affirmations")
    ap.add_argument("--liste", action="store_true", help="liste les affirmations sans les lancer")
    args = ap.parse_args()
    try:
        claims = read_sources(args.sources, args.fiches)
    except LedgerError as e:
        print("affirmation mal écrite : %s" % e, file=sys.stderr)
        return 2
    if args.liste:
        for c in claims:
            print("%s:%d %s %s" % (c.source, c.line, c.key, c.relation))
        return 0
    failures = []
    work = tempfile.mkdtemp(prefix="registre-")
    try:
        for c in claims:
            try:
                why = check_claim(args.outil, args.sauvegarde, c, work)
            except LedgerError as e:
                why = str(e)
            if why:
                failures.append((c, why))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    runs = sum(len(c.variants) * len(c.seeds) for c in claims)
    if failures:
        first, why = failures[0]
        print("Le cours affirme ce qui ne tient plus : %s\n  %s" % (first.describe(), why),
              file=sys.stderr)
        for c, why in failures[1:]:
            print("Aussi : %s\n  %s" % (c.describe(), why), file=sys.stderr)
        print("%d affirmations sur %d ne tiennent plus (%d essais)"
              % (len(failures), len(claims), runs), file=sys.stderr)
        return 1
    print("%d affirmations du cours tiennent (%d essais)" % (len(claims), runs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
