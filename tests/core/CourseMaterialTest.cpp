// The course material shipped in aide/ and méthode/: every file the viewers name must be
// there, readable the way the viewers read it, and hold what its menu item promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "JpegDecoder.h"
#include "Rtf.h"

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
      "Param\xC3\xA9trage"}},
    {"aide/ressources.rtf",
     "Les diff\xC3\xA9rents types de r\xC3\xA9gulation",
     {"P = Kp \xC3\x97 e", "consigne \xE2\x88\x92 retour", "0,6", "Ki = Kp / Ti", "boucle ouverte",
      "erreur statique"}},
    {"aide/miseoeuvre.rtf",
     "Mise en oeuvre du logiciel",
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
     {"Reglage des plages de fonctionnement et des adresses", "Changer mot de passe", "vanto",
      "sauvegarde", "$330", "Valider les nouvelles adresses"}},
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
    // Accented letters come through the code page escapes.
    EXPECT_NE(text.find("\xC3\xA9"), std::string::npos);
  }
}

TEST(CourseMaterialTest, PicturesDecodeAtPrintableSize) {
  struct Picture {
    const char* path;
    bool landscape;
  };
  for (const Picture& p :
       {Picture{"aide/sch\xC3\xA9mapos.jpg", true}, Picture{"aide/sch\xC3\xA9mavit.jpg", true},
        Picture{"m\xC3\xA9thode/m\xC3\xA9thostable.jpg", false},
        Picture{"m\xC3\xA9thode/m\xC3\xA9thoinstable.jpg", false}}) {
    SCOPED_TRACE(p.path);
    const DecodedPicture pic = DecodeJpegFile(kRoot + "/" + p.path);
    const int longSide = std::max(pic.width, pic.height);
    EXPECT_GE(longSide, 1900);
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

}  // namespace
}  // namespace vantor
