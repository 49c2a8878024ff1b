#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The ledger's own checks: a claim whose number no longer holds fails naming its
paragraph, and the generator refuses a claim that cannot be checked.

    python3 tests/course/ledger_test.py PATH/TO/regulateur-vantor-lot
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LEDGER = os.path.join(ROOT, "tools", "course_ledger.py")
TOOL = None


def run_ledger(sources):
    return subprocess.run([sys.executable, LEDGER, "--outil", TOOL, "--sources", sources,
                           "--fiches", os.path.join(sources, "aucune")],
                          capture_output=True, text=True)


class LedgerTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def course(self, text, name="cours.txt"):
        with open(os.path.join(self.dir, name), "w", encoding="utf-8") as f:
            f.write("@file aide/x.rtf\n@title X\n" + text)

    def test_a_changed_number_in_the_shipped_course_fails_naming_its_paragraph(self):
        with open(os.path.join(ROOT, "tools", "course-texts", "travauxpratiques.txt"),
                  encoding="utf-8") as f:
            text = f.read()
        # The rise time at Kp = 1, changed in the text and in its claim alike.
        self.assertIn("temps de montée d'environ 0,44 s", text)
        self.assertIn("? temps_montee = 0,44 ;", text)
        text = text.replace("temps de montée d'environ 0,44 s", "temps de montée d'environ 0,54 s")
        text = text.replace("? temps_montee = 0,44 ;", "? temps_montee = 0,54 ;")
        with open(os.path.join(self.dir, "travauxpratiques.txt"), "w", encoding="utf-8") as f:
            f.write(text)
        r = run_ledger(self.dir)
        self.assertEqual(r.returncode, 1, r.stderr)
        first = r.stderr.splitlines()[0]
        self.assertIn("travauxpratiques.txt:", first)
        self.assertIn("Séance 1 : correcteur P sur la boucle de vitesse", first)
        self.assertIn("La réponse devient plus rapide", first)
        self.assertIn("temps_montee=0.4", r.stderr)
        self.assertIn("1 affirmations sur", r.stderr)

    def test_the_shipped_help_is_generated_from_its_sources(self):
        os.makedirs(os.path.join(self.dir, "aide"))
        subprocess.run([sys.executable, os.path.join(ROOT, "tools", "make_course_texts.py"),
                        self.dir], check=True, capture_output=True)
        for name in sorted(os.listdir(os.path.join(self.dir, "aide"))):
            with self.subTest(name=name):
                with open(os.path.join(self.dir, "aide", name), "rb") as f:
                    made = f.read()
                with open(os.path.join(ROOT, "aide", name), "rb") as f:
                    self.assertEqual(made, f.read(), "aide/%s : relancer "
                                     "« python3 tools/make_course_texts.py . »" % name)

    def test_claims_that_hold_and_trends(self):
        self.course("== Essai\n\nLe moteur de vitesse, Kp = 1, garde une erreur de 1 V ; "
                    "elle diminue quand Kp croît.\n"
                    "?= --procede vitesse --echelon 2 --cycles 400 --mesures\n"
                    "? erreur_statique = 1 ± 0,02 : --kp 1\n"
                    "? erreur_statique décroît : --kp 1 ; --kp 2 ; --kp 4\n"
                    "? oscillation = amortie : --kp 6 --pompage\n")
        r = run_ledger(self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("3 affirmations du cours tiennent (5 essais)", r.stdout)
        # The same trend, claimed the other way, does not hold.
        self.course("== Essai\n\nL'erreur croît avec Kp.\n"
                    "? erreur_statique croît : --procede vitesse --echelon 2 --cycles 400 "
                    "--mesures --kp 1 ; --procede vitesse --echelon 2 --cycles 400 "
                    "--mesures --kp 2\n")
        r = run_ledger(self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertIn("erreur_statique ne croît pas : 1.00, 0.67", r.stderr)

    def test_a_gain_beyond_the_teachers_range_is_not_silently_clamped(self):
        self.course("== Essai\n\nAvec Ki = 4, l'erreur finit nulle.\n"
                    "? erreur_statique = 0 ± 0,05 : --procede vitesse --echelon 6 --kp 1 "
                    "--ki 4 --cycles 1200 --mesures\n")
        r = run_ledger(self.dir)
        self.assertEqual(r.returncode, 1)
        self.assertIn("ramené à sa borne", r.stderr)
        self.course("== Essai\n\nAvec Ki = 4, l'erreur finit nulle.\n"
                    "? erreur_statique = 0 ± 0,05 : --procede vitesse --echelon 6 --kp 1 "
                    "--ki 4 --cycles 1200 --mesures @ kimax=16\n")
        self.assertEqual(run_ledger(self.dir).returncode, 0)

    def test_the_generator_refuses_a_claim_it_could_not_check(self):
        cases = [
            ("? erreur_statique = 1 ± 0,02\n", "sans commande"),
            ("? erreur_statique = 2 ± 0,02 : --procede vitesse --kp 1 --cycles 400 "
             "--mesures\n", "la valeur 2 n'est pas dans le paragraphe"),
            ("? erreur_statique = 1 : --procede vitesse --kp 1 --cycles 400 --mesures\n",
             "tolérance"),
            ("? erreur_statique = 1 ± 0,1 : --procede vitesse --profil réaliste --kp 1 "
             "--cycles 400 --mesures @ graines 1-2\n", "au moins 5 graines"),
            ("? erreur_statique décroît : --procede vitesse --kp 1 --cycles 400\n",
             "au moins deux variantes"),
        ]
        for claim, why in cases:
            with self.subTest(claim=claim):
                shutil.rmtree(self.dir)
                os.makedirs(os.path.join(self.dir, "src", "aide"))
                src = os.path.join(self.dir, "src")
                self.course("== Essai\n\nUne erreur de 1 V pour Kp = 1.\n" + claim)
                shutil.move(os.path.join(self.dir, "cours.txt"), os.path.join(src, "cours.txt"))
                r = run_ledger(src)
                self.assertEqual(r.returncode, 2)
                self.assertIn("cours.txt:6", r.stderr)
                self.assertIn(why, r.stderr)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
