// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "common/Numbers.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

TEST(ErrorBoxTextTest, AddsAFinalPointOnlyAfterCharactersSortingAfterThePoint) {
  EXPECT_EQ(ErrorBoxText("Impossible d'ouvrir le fichier sauvegarde/kpmax.rtf"),
            "Impossible d'ouvrir le fichier sauvegarde/kpmax.rtf.");
  EXPECT_EQ(ErrorBoxText("'abc' n'est pas une valeur entière correcte"),
            "'abc' n'est pas une valeur entière correcte.");
  EXPECT_EQ(ErrorBoxText("Erreur au chargement du flux"), "Erreur au chargement du flux.");
  // Digits, letters, "/", ":" and "?" sort after ".".
  EXPECT_EQ(ErrorBoxText("code 3"), "code 3.");
  EXPECT_EQ(ErrorBoxText("dossier/"), "dossier/.");
  EXPECT_EQ(ErrorBoxText("Vraiment ?"), "Vraiment ?.");
  // "." itself and everything sorting before it get no point.
  EXPECT_EQ(ErrorBoxText("Fini."), "Fini.");
  EXPECT_EQ(ErrorBoxText("fin'"), "fin'");
  EXPECT_EQ(ErrorBoxText("Attention !"), "Attention !");
  EXPECT_EQ(ErrorBoxText("liste,"), "liste,");
  EXPECT_EQ(ErrorBoxText("moins -"), "moins -");
  EXPECT_EQ(ErrorBoxText("espace "), "espace ");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBoxTextTest, TheRuleAppliesToTheFirstLineOfALongerMessage) {
  EXPECT_EQ(ErrorBoxText("Erreur au chargement du flux\nFichier : sauvegarde/kpmax.rtf"),
            "Erreur au chargement du flux.\nFichier : sauvegarde/kpmax.rtf");
  EXPECT_EQ(ErrorBoxText("Fini.\nFichier : a.rtf"), "Fini.\nFichier : a.rtf");
}

TEST(ErrorBoxTextTest, AddsThePointAfterANonAsciiLastCharacter) {
  // UTF-8 bytes of accented letters sort after ".": "créé" ends in a byte above 0x7F.
  EXPECT_EQ(ErrorBoxText("Fichier créé"), "Fichier créé.");
  EXPECT_EQ(ErrorBoxText("Erreur à l'enregistrement du flux"),
            "Erreur à l'enregistrement du flux.");
}

TEST(ErrorBoxTextTest, ConversionErrorsQuoteTheTextAndGetTheirPoint) {
  try {
    StrToFloat("1,5");
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_EQ(ErrorBoxText(e.what()),
              "'1,5' n'est pas une valeur en virgule flottante correcte.\nUtilisez le point comme "
              "séparateur décimal (1.5).");
  }
  try {
    StrToInt("$33 ");
    FAIL() << "no error";
  } catch (const VantorError& e) {
    EXPECT_EQ(ErrorBoxText(e.what()), "'$33 ' n'est pas une valeur entière correcte.");
  }
}

TEST(FormatMessageTest, ReplacesEachPercentSAndLeavesOtherPercentSignsAlone) {
  EXPECT_EQ(FormatMessage("Impossible d'ouvrir le fichier %s", "a/b.rtf"),
            "Impossible d'ouvrir le fichier a/b.rtf");
  EXPECT_EQ(FormatMessage("'%s' et '%s'", "x"), "'x' et 'x'");
  EXPECT_EQ(FormatMessage("100 %", "x"), "100 %");
  EXPECT_EQ(FormatMessage("%d %s", "%s"), "%d %s");
}

}  // namespace
}  // namespace vantor
