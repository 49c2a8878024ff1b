// SPDX-License-Identifier: GPL-3.0-or-later
// The rich-text control: RTF formatting carried into the text document, loading with
// its errors and plain-text fall-back, plain text, and paginated printing to PDF.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <functional>

#include "PdfSupport.h"
#include "ThrownText.h"
#include "common/Rtf.h"
#include "common/VantorError.h"
#include "widgets/Printer.h"
#include "widgets/RichEdit.h"

namespace vantor {
namespace {

// The character format of the first fragment of `block` whose text contains `word`.
QTextCharFormat FormatOf(const QTextDocument& document, const QString& word) {
  for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().text().contains(word)) return it.fragment().charFormat();
  ADD_FAILURE() << "no fragment holds " << word.toStdString();
  return {};
}

const char kSmallRtf[] =
    "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
    "{\\colortbl ;\\red200\\green10\\blue30;\\red0\\green110\\blue50;}"
    "\\pard\\qc\\f0\\fs40\\b\\cf1 Titre\\b0\\cf0\\par"
    "\\pard\\qr\\fs22\\i pench\\'e9\\i0  puis \\ul soulign\\'e9\\ulnone  et \\cf2 vert\\cf0\\par"
    "\\pard\\qj\\f1\\fs18 justifi\\'e9\\line suite\\tab fin\\par"
    "\\pard plain\\par}";

TEST(RichEdit, RtfFormattingIsCarriedIntoTheTextDocument) {
  RtfDocument rtf;
  ASSERT_TRUE(ParseRtf(kSmallRtf, rtf));
  QTextDocument document;
  RtfToTextDocument(rtf, document);

  ASSERT_EQ(document.blockCount(), 4);
  EXPECT_EQ(document.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignHCenter);
  EXPECT_EQ(document.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  EXPECT_EQ(document.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignJustify);
  EXPECT_EQ(document.findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);

  const QTextCharFormat title = FormatOf(document, "Titre");
  EXPECT_EQ(title.fontWeight(), QFont::Bold);
  EXPECT_FALSE(title.fontItalic());
  EXPECT_DOUBLE_EQ(title.fontPointSize(), 20.0);
  EXPECT_EQ(title.foreground().color(), QColor(200, 10, 30));
  EXPECT_EQ(title.fontFamilies().toStringList(), QStringList{"Arial"});

  const QTextCharFormat italic = FormatOf(document, "penché");
  EXPECT_TRUE(italic.fontItalic());
  EXPECT_EQ(italic.fontWeight(), QFont::Normal);
  EXPECT_FALSE(italic.fontUnderline());
  EXPECT_DOUBLE_EQ(italic.fontPointSize(), 11.0);
  // The automatic colour sets none: the control's own text colour applies.
  EXPECT_FALSE(italic.hasProperty(QTextFormat::ForegroundBrush));

  const QTextCharFormat underlined = FormatOf(document, "souligné");
  EXPECT_TRUE(underlined.fontUnderline());
  EXPECT_FALSE(underlined.fontItalic());
  EXPECT_EQ(FormatOf(document, "vert").foreground().color(), QColor(0, 110, 50));

  const QTextCharFormat courier = FormatOf(document, "justifié");
  EXPECT_EQ(courier.fontFamilies().toStringList(), QStringList{"Courier New"});
  EXPECT_DOUBLE_EQ(courier.fontPointSize(), 9.0);
  // The line break stays inside its paragraph.
  EXPECT_EQ(document.findBlockByNumber(2).text(),
            QString("justifié") + QChar(QChar::LineSeparator) + "suite\tfin");

  EXPECT_DOUBLE_EQ(document.defaultTextOption().tabStopDistance(), 48.0);  // half an inch

  // Back to the reader's plain text, paragraph ends and line breaks as "\r\n".
  EXPECT_EQ(TextDocumentPlainText(document), rtf.PlainText());
  EXPECT_EQ(TextDocumentPlainText(QTextDocument()), "");
}

class RichEditFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  std::string Write(const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromUtf8(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName().toStdString();
  }
  QTemporaryDir dir;
  TRichEdit edit;
};

TEST(RichEdit, SpacingIndentsAndTabStopsGiveBulletsAHangingIndent) {
  RtfDocument rtf;
  ASSERT_TRUE(ParseRtf(R"({\rtf1\ansi\sa120\li568\fi-284\tx568 \'95\tab Point\par})", rtf));
  QTextDocument document;
  RtfToTextDocument(rtf, document);
  const QTextBlockFormat f = document.begin().blockFormat();
  constexpr double kPixelsPerTwip = 96.0 / 1440.0;
  EXPECT_DOUBLE_EQ(f.leftMargin(), 568 * kPixelsPerTwip);
  EXPECT_DOUBLE_EQ(f.textIndent(), -284 * kPixelsPerTwip);
  EXPECT_DOUBLE_EQ(f.bottomMargin(), 120 * kPixelsPerTwip);
  // The tab after the bullet lands on the hanging indent: the first line starts at
  // 568 - 284 twips and the stop is at 568 from the margin.
  ASSERT_EQ(f.tabPositions().size(), 1);
  EXPECT_DOUBLE_EQ(f.tabPositions()[0].position, 284 * kPixelsPerTwip);
}

TEST_F(RichEditFileTest, LoadsRtfAndFallsBackToPlainText) {
  edit.LoadFromFile(Write("aide.rtf", kSmallRtf));
  EXPECT_EQ(edit.PlainText(),
            "Titre\r\npenché puis souligné et vert\r\njustifié\r\nsuite\tfin\r\nplain\r\n");
  EXPECT_EQ(FormatOf(*edit.document(), "Titre").fontWeight(), QFont::Bold);

  edit.LoadFromFile(Write("notes é.txt", "première ligne\nseconde ligne\n"));
  EXPECT_EQ(edit.PlainText(), "première ligne\r\nseconde ligne\r\n");

  // In plain-text mode an RTF file shows its source.
  edit.PlainTextMode = true;
  edit.LoadFromFile(Write("source.rtf", "{\\rtf1 \\b gras\\b0\\par}"));
  EXPECT_EQ(edit.PlainText(), "{\\rtf1 \\b gras\\b0\\par}\r\n");

  edit.Clear();
  EXPECT_EQ(edit.PlainText(), "");
}

TEST_F(RichEditFileTest, ErrorsNameThePathAsGivenAndKeepTheText) {
  edit.LoadFromFile(Write("bon.rtf", kSmallRtf));
  const std::string before = edit.PlainText();

  EXPECT_EQ(ThrownText([&] { edit.LoadFromFile("aide/absent é.rtf"); }),
            "Impossible d'ouvrir le fichier aide/absent é.rtf");
  const std::string folder = dir.path().toStdString();
  EXPECT_EQ(
      ThrownText([&] { edit.LoadFromFile(folder); }),
      "Impossible d'ouvrir le fichier " + folder + "\nCause : c'est un dossier, pas un fichier");
  const std::string image = Write("image.rtf", QByteArray("\xff\xd8\0\0JFIF", 8));
  EXPECT_EQ(ThrownText([&] { edit.LoadFromFile(image); }),
            "Erreur au chargement du flux\nFichier : " + image);
  // Above the bounds (bytes, then paragraphs) a help text is refused, not shown for
  // minutes.
  const QByteArray paragraph = "{\\b Ligne} de texte\\par\n";
  const std::string big = Write("gros.rtf", "{\\rtf1 " + paragraph.repeated(110000) + "}");
  EXPECT_EQ(ThrownText([&] { edit.LoadFromFile(big); }),
            "Texte trop volumineux pour être affiché\nFichier : " + big +
                " (au plus 2 Mo et 50 000 paragraphes)");
  const std::string many =
      Write("nombreux.rtf", "{\\rtf1 " + QByteArray("\\par ").repeated(60000) + "}");
  EXPECT_EQ(ThrownText([&] { edit.LoadFromFile(many); }),
            "Texte trop volumineux pour être affiché\nFichier : " + many +
                " (au plus 2 Mo et 50 000 paragraphes)");
  edit.PlainTextMode = true;
  const std::string nul = Write("nul.txt", QByteArray("a\0b", 3));
  EXPECT_EQ(ThrownText([&] { edit.LoadFromFile(nul); }),
            "Erreur au chargement du flux\nFichier : " + nul);
  EXPECT_EQ(edit.PlainText(), before);
}

TEST_F(RichEditFileTest, PlainTextFollowsEditsOnScreen) {
  edit.LoadFromFile(Write("bon.rtf", "{\\rtf1 un\\par deux\\par}"));
  QTextCursor cursor(edit.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(" ajouté");
  EXPECT_EQ(edit.PlainText(), "un\r\ndeux ajouté\r\n");
  // An edit can be undone, the loading cannot.
  edit.undo();
  EXPECT_EQ(edit.PlainText(), "un\r\ndeux\r\n");
  edit.undo();
  EXPECT_EQ(edit.PlainText(), "un\r\ndeux\r\n");
}

TEST_F(RichEditFileTest, PrintsPageByPageWithoutCuttingOrRepeatingLines) {
  if (!testing::pdf::HasTools()) GTEST_SKIP() << "poppler-utils missing";
  std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
  const int lines = 150;
  for (int i = 1; i <= lines; ++i) rtf += "Ligne " + std::to_string(i) + " du texte\\par ";
  rtf += "}";
  edit.LoadFromFile(Write("long.rtf", QByteArray::fromStdString(rtf)));

  const QString pdf = dir.filePath("aide.pdf");
  Printer printer;
  printer.SetOutputPdf(pdf);
  printer.SetOrientation(TPrinterOrientation::poPortrait);
  const int W = printer.PageWidth(), H = printer.PageHeight();
  const QRect rect(W / 20, H / 25, W - 2 * (W / 20), H - 2 * (H / 25));
  edit.Print(printer, rect, "Aide");
  EXPECT_FALSE(printer.Printing());

  // 150 lines of 12 pt (about 14 pt each) need three or four A4 pages.
  const int pages = testing::pdf::Info(pdf, "Pages").toInt();
  EXPECT_GE(pages, 3);
  EXPECT_LE(pages, 4);
  EXPECT_EQ(testing::pdf::Info(pdf, "Title"), "Aide");

  // Every line printed once, in order: none cut at a page end or lost.
  const QString text = testing::pdf::Text(pdf);
  qsizetype at = 0;
  for (int i = 1; i <= lines; ++i) {
    const QString line = QString("Ligne %1 du texte").arg(i);
    const qsizetype found = text.indexOf(line, at);
    ASSERT_GE(found, 0) << line.toStdString();
    EXPECT_EQ(text.indexOf(line, found + 1), -1) << line.toStdString();
    at = found + line.size();
  }
}

TEST_F(RichEditFileTest, PrintingIntoAnEmptyRectangleIsRefusedWithoutAJob) {
  edit.LoadFromFile(Write("bon.rtf", kSmallRtf));
  Printer printer;
  printer.SetOutputPdf(dir.filePath("vide.pdf"));
  EXPECT_EQ(ThrownText([&] { edit.Print(printer, QRect(10, 10, 0, 100), "Aide"); }),
            "La zone d'impression de la page est vide");
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(QFile::exists(dir.filePath("vide.pdf")));
}

}  // namespace
}  // namespace vantor
