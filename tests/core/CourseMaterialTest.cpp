// SPDX-License-Identifier: GPL-3.0-or-later
// The course material shipped in aide/ and méthode/: every file the viewers name must be
// there, readable the way the viewers read it, and hold what its menu item promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "common/JpegDecoder.h"
#include "common/Rtf.h"

namespace vantor {
namespace {

const std::string kRoot = VANTOR_SOURCE_DIR;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct HelpFile {
  const char* path;
  const char* title;                  // text of the centred title
  std::vector<const char*> mentions;  // phrases the document must contain
};

// The file names and the program's own texts, as the viewers and windows spell them.
const std::vector<HelpFile> kHelpFiles = {
    {"aide/mat\xC3\xA9riel.rtf",
     "Configuration mat\xC3\xA9rielle du poste",
     {"$330", "$340", "Sortie1(10v)", "2048", "205 points",
      "entr\xC3\xA9"
      "e logique 7",
      "Param\xC3\xA9trage", "interface-usb.hex", "dialout", "--carte usb:auto"}},
    {"aide/ressources.rtf",
     "Les diff\xC3\xA9rents types de r\xC3\xA9gulation",
     {"P = Kp \xC3\x97 e", "consigne \xE2\x88\x92 retour", "0,6", "Ki = Kp / Ti", "boucle ouverte",
      "erreur statique", "Glossaire", "action inverse", "int\xC3\xA9gration conditionnelle",
      "gain critique Kc", "\xC3\xA9" "cart"}},
    {"aide/miseoeuvre.rtf",
     "Mise en \xC5\x93uvre du logiciel",
     {"Echelon", "Sinus.", "Triangle", "Carr\xC3\xA9", "externe",
      "D\xC3\xA9"
      "but",
      "Fin", "Zoom H +", "Zoom H -", "Deplacement droite", "Deplacement gauche", "Image initiale",
      "Imprimer", "impr", "Boucle", "ouverte", "Simulation"}},
    {"aide/souris.rtf",
     "Utiliser la souris dans le graphe",
     {"retour/temps:", "0 absolu", "d\xC3\xA9zoom", "double-clic", "bouton droit"}},
    {"aide/parametrage.rtf",
     "Param\xC3\xA9trage du poste",
     {"Reglage des plages de fonctionnement et des adresses", "Changer mot de passe",
      "D\xC3\xA9verrouiller pour la s\xC3\xA9" "ance", "Verrouiller",
      "sauvegarde", "$330", "Valider les nouvelles adresses"}},
    {"aide/travauxpratiques.rtf",
     "Travaux pratiques",
     {"S\xC3\xA9"
      "ance 5",
      "2 / (1 + Kp)", "Mesures de la r\xC3\xA9ponse", "Perturbation", "IAE", "pond\xC3\xA9ration b",
      "Proc\xC3\xA9"
      "d\xC3\xA9 thermique",
      "Naturellement stable", "0,225 s"}},
    {"aide/identification.rtf",
     "Identifier le proc\xC3\xA9"
     "d\xC3\xA9 et r\xC3\xA9gler le correcteur",
     {"Tu / Ta", "0,225", "t28", "Appliquer", "--analyser", "Ku", "ordre1:K,T,R",
      "Pr\xC3\xA9voir la r\xC3\xA9ponse"}},
};

TEST(CourseMaterialTest, HelpTextsAreRichTextWithTitleHeadingsAndContent) {
  for (const HelpFile& file : kHelpFiles) {
    SCOPED_TRACE(file.path);
    const std::string bytes = ReadBytes(kRoot + "/" + file.path);
    RtfDocument doc;
    // Read as RTF, not through the plain-text fall-back.
    ASSERT_TRUE(ParseRtf(bytes, doc));
    ASSERT_GE(doc.paragraphs.size(), 30u);

    const RtfParagraph& title = doc.paragraphs.front();
    EXPECT_EQ(title.align, RtfAlign::Center);
    ASSERT_FALSE(title.runs.empty());
    EXPECT_TRUE(title.runs.front().bold);
    EXPECT_GT(title.runs.front().halfPoints, 30);
    std::string titleText;
    for (const RtfRun& run : title.runs) titleText += run.text;
    EXPECT_EQ(titleText, file.title);

    // Headings are bold and larger than the body, which is neither.
    int headings = 0, body = 0;
    for (std::size_t i = 1; i < doc.paragraphs.size(); ++i) {
      const RtfParagraph& p = doc.paragraphs[i];
      if (p.runs.empty()) continue;
      const RtfRun& first = p.runs.front();
      if (first.bold && first.halfPoints > 22) ++headings;
      if (!first.bold && first.halfPoints == 22) ++body;
    }
    EXPECT_GE(headings, 5);
    EXPECT_GT(body, 20);

    const std::string text = doc.PlainText();
    EXPECT_GT(text.size(), 4000u);
    for (const char* phrase : file.mentions)
      EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
    // One name for the heater, the one its menu gives.
    EXPECT_FALSE(std::regex_search(text, std::regex(R"(\b[Ff]our\b)"))) << "four";
    // Accented letters come through the code page escapes.
    EXPECT_NE(text.find("\xC3\xA9"), std::string::npos);
  }
}

TEST(CourseMaterialTest, TheShippedPasswordIsNotInTheHelpTheStudentsRead) {
  RtfDocument shipped;
  ASSERT_TRUE(ParseRtf(ReadBytes(kRoot + "/sauvegarde/pamo.rtf"), shipped));
  std::string password = shipped.PlainText();
  while (!password.empty() && std::isspace(static_cast<unsigned char>(password.back())))
    password.pop_back();
  ASSERT_EQ(password.size(), 5u);
  int read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kRoot + "/aide")) {
    if (entry.path().extension() != ".rtf") continue;
    SCOPED_TRACE(entry.path().string());
    RtfDocument doc;
    ASSERT_TRUE(ParseRtf(ReadBytes(entry.path().string()), doc));
    std::string text = doc.PlainText();
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_FALSE(std::regex_search(text, std::regex("\\b" + password + "\\b")));
    ++read;
  }
  EXPECT_GE(read, 7);
}

TEST(CourseMaterialTest, PicturesDecodeAtPrintableSize) {
  struct Picture {
    const char* path;
    bool landscape;
  };
  for (const Picture& p :
       {Picture{"aide/sch\xC3\xA9mapos.jpg", true}, Picture{"aide/sch\xC3\xA9mavit.jpg", true},
        Picture{"aide/sch\xC3\xA9mausb.jpg", true},
        Picture{"m\xC3\xA9thode/m\xC3\xA9thostable.jpg", false},
        Picture{"m\xC3\xA9thode/m\xC3\xA9thoinstable.jpg", false}}) {
    SCOPED_TRACE(p.path);
    const DecodedPicture pic = DecodeJpegFile(kRoot + "/" + p.path);
    const int longSide = std::max(pic.width, pic.height);
    const int shortSide = std::min(pic.width, pic.height);
    // Printed across the long side of an A4 page (27 cm inside the margins), at least
    // 140 pixels an inch; at their own size, a portrait sheet is no wider than a
    // 1280 × 1024 screen leaves to the viewer, and its text is drawn for that size.
    EXPECT_GE(longSide, 1490);
    EXPECT_LE(longSide, 1700);
    EXPECT_LE(shortSide, 1200);
    EXPECT_NEAR(static_cast<double>(longSide) / shortSide, std::sqrt(2.0), 0.01);
    EXPECT_EQ(pic.width > pic.height, p.landscape);
    // Drawn on white: the corners are white, and there is dark ink somewhere.
    const auto at = [&](int x, int y) {
      const std::size_t i = (static_cast<std::size_t>(y) * pic.width + x) * 3;
      return pic.rgb[i] + pic.rgb[i + 1] + pic.rgb[i + 2];
    };
    EXPECT_GT(at(pic.width - 2, pic.height - 2), 3 * 240);
    int dark = 0;
    for (int y = 0; y < pic.height; y += 7)
      for (int x = 0; x < pic.width; x += 7) dark += at(x, y) < 3 * 80;
    EXPECT_GT(dark, 500);
  }
}

// Latin-1 bytes of a UTF-8 text, "?" for what Latin-1 lacks, without any white space
// (spaces, tabs, line ends, no-break spaces): how two readers' texts can be compared.
std::string SqueezedLatin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += length;
    if (code == ' ' || code == '\t' || code == '\r' || code == '\n' || code == 0xA0) continue;
    out += code < 0x100 ? static_cast<char>(code) : '?';
  }
  return out;
}

std::string SqueezedBytes(const std::string& latin1) {
  std::string out;
  for (char c : latin1)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\xA0') out += c;
  return out;
}

// Another reader of the help texts, unrtf when installed, finds every paragraph we read.
TEST(CourseMaterialTest, HelpTextsReadTheSameInAnotherRtfReader) {
  if (std::system("command -v unrtf >/dev/null 2>&1") != 0) GTEST_SKIP() << "unrtf missing";
  const std::string out = ::testing::TempDir() + "/course-unrtf.txt";
  for (const HelpFile& file : kHelpFiles) {
    SCOPED_TRACE(file.path);
    const std::string command =
        "unrtf --text '" + kRoot + "/" + file.path + "' > '" + out + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // unrtf writes Latin-1 and the "?" fall-back of characters beyond it.
    const std::string theirs = SqueezedBytes(ReadBytes(out));
    RtfDocument doc;
    ASSERT_TRUE(ParseRtf(ReadBytes(kRoot + "/" + file.path), doc));
    for (const RtfParagraph& p : doc.paragraphs) {
      std::string text;
      for (const RtfRun& run : p.runs) text += run.text;
      if (text.rfind("\xE2\x80\xA2", 0) == 0) text.erase(0, 3);  // the bullet
      const std::string ours = SqueezedLatin1(text);
      EXPECT_NE(theirs.find(ours), std::string::npos) << text;
    }
  }
}

}  // namespace
}  // namespace vantor
