// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "common/Rtf.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

RtfDocument Read(const std::string& rtf) {
  RtfDocument doc;
  EXPECT_TRUE(ParseRtf(rtf, doc)) << rtf;
  return doc;
}

std::string PlainOf(const std::string& rtf) {
  return Read(rtf).PlainText();
}

// ---- writer and reader together -----------------------------------------------------

TEST(RtfRoundTripTest, WrittenTextReadsBackAsOneParagraph) {
  for (const std::string text :
       {"2.00", "-10.00", "$330", "$0340", "vanto", "", " 12 ", "a{b}c\\d", "\\par", "x;y",
        "été à l'œuvre – “oui” €", "Ωμέγα ∞ 😀 中文", "tab\there", "??", "}{"}) {
    const std::string rtf = WriteRtf(text);
    RtfDocument doc;
    ASSERT_TRUE(ParseRtf(rtf, doc)) << rtf;
    ASSERT_EQ(doc.paragraphs.size(), 1u) << rtf;
    EXPECT_EQ(doc.PlainText(), text + "\r\n") << rtf;
  }
}

TEST(RtfRoundTripTest, WriterEscapesOutsideAsciiAndRtfSyntax) {
  const std::string rtf = WriteRtf("é€{}\\Ω😀");
  EXPECT_NE(rtf.find("\\'e9"), std::string::npos) << rtf;  // é in code page 1252
  EXPECT_NE(rtf.find("\\'80"), std::string::npos) << rtf;  // € in code page 1252
  EXPECT_NE(rtf.find("\\{\\}\\\\"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\u937?"), std::string::npos) << rtf;              // Ω
  EXPECT_NE(rtf.find("\\u-10179?\\u-8704?"), std::string::npos) << rtf;  // 😀 as two units
  for (const char c : rtf) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << rtf;
  EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252"));
  EXPECT_TRUE(rtf.ends_with("\\par\r\n}\r\n"));
}

TEST(RtfRoundTripTest, LineBreaksBecomeParagraphsAndControlCharactersAreDropped) {
  EXPECT_EQ(PlainOf(WriteRtf("a\r\nb\nc\rd")), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(PlainOf(WriteRtf(std::string("a\x01\x7F"
                                         "b",
                                         4))),
            "ab\r\n");
  // Invalid UTF-8 is written as the replacement character, never as raw bytes.
  EXPECT_EQ(PlainOf(WriteRtf("a\xFF"
                             "b")),
            "a\xEF\xBF\xBD"
            "b\r\n");
}

// ---- reader: text ---------------------------------------------------------------------

TEST(RtfReaderTest, ParagraphsLinesAndTabs) {
  EXPECT_EQ(PlainOf("{\\rtf1 abc}"), "abc\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 abc\\par}"), "abc\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 abc\\par\\par}"), "abc\r\n\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\par b}"), "a\r\nb\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\line b\\tab c\\par}"), "a\r\nb\tc\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\\nb}"), "a\r\nb\r\n");  // "\" before a line end is \par
  EXPECT_EQ(PlainOf("{\\rtf1 }"), "");
  EXPECT_EQ(Read("{\\rtf1 a\\line b}").paragraphs.at(0).runs.at(0).text, "a\nb");
  // Line ends in the file are not text.
  EXPECT_EQ(PlainOf("{\\rtf1 ab\r\ncd\\par\r\n}"), "abcd\r\n");
}

TEST(RtfReaderTest, ControlWordDelimitersAndSymbols) {
  // One space after a control word is its delimiter; a second one is text.
  EXPECT_EQ(PlainOf("{\\rtf1\\b  x\\b0 y}"), " xy\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\fs20-5}"), "-5\r\n");  // a sign after the digits is text
  EXPECT_EQ(PlainOf("{\\rtf1\\fs20 -5}"), "-5\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 \\{\\}\\\\}"), "{}\\\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\~b\\-c\\_d}"),
            "a\xC2\xA0"
            "bc\xE2\x80\x91"
            "d\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
            "—–•‘’“”\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\unknownword123 b}"), "ab\r\n");
}

TEST(RtfReaderTest, HexEscapesFollowTheDocumentCodePage) {
  EXPECT_EQ(PlainOf("{\\rtf1\\ansi \\'e9t\\'e9 \\'80\\'9c}"), "été €œ\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\ansi\\ansicpg1250 \\'b9\\'e8}"), "ąč\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\pc \\'82\\'85}"), "éà\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\pca \\'9d}"), "Ø\r\n");
  // Code pages without a table here are read as 1252.
  EXPECT_EQ(PlainOf("{\\rtf1\\ansi\\ansicpg1251 \\'e9}"), "é\r\n");
  // Raw 8-bit bytes are characters of the code page too.
  EXPECT_EQ(PlainOf("{\\rtf1 \xE9}"), "é\r\n");
  // A malformed escape shows nothing and swallows nothing else.
  EXPECT_EQ(PlainOf("{\\rtf1 a\\'zzb}"), "azzb\r\n");
}

TEST(RtfReaderTest, FontCharsetSelectsTheCodePageOfItsText) {
  const std::string rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\fnil\\fcharset238 Arial CE;}}\\f0\\'e8 {\\f1\\'e8} \\'e8}";
  EXPECT_EQ(PlainOf(rtf), "è č è\r\n");
}

TEST(RtfReaderTest, UnicodeEscapesSkipTheirReplacement) {
  EXPECT_EQ(PlainOf("{\\rtf1 \\u233?t\\u233?}"), "été\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\uc2 \\u233\\'65\\'65x}"), "éx\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\uc0 \\u233\\u234 x}"), "éêx\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 \\u-3?}"), "\xEF\xBF\xBD\r\n");  // N < 0 means N + 65536
  EXPECT_EQ(PlainOf("{\\rtf1 \\u8364\\'80}"), "€\r\n");       // a \'hh replacement counts one
  EXPECT_EQ(PlainOf("{\\rtf1 \\u-10179?\\u-8704?}"), "😀\r\n");
  // The replacement count is scoped to its group; a group end stops the skipping.
  EXPECT_EQ(PlainOf("{\\rtf1 {\\uc3 \\u233 ab}\\u234 xy}"), "éêy\r\n");
  // Lone surrogates become the replacement character.
  EXPECT_EQ(PlainOf("{\\rtf1 \\u-10179?a\\u-8704?}"),
            "\xEF\xBF\xBD"
            "a\xEF\xBF\xBD\r\n");
}

TEST(RtfReaderTest, NonTextDestinationsAreSkipped) {
  const std::string rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title Titre}{\\author Moi}}"
      "{\\header En-tete}{\\footer Pied}{\\*\\generator Riched20;}{\\*\\inconnu cache}"
      "{\\pict\\wmetafile8 0102abcdef}{\\object{\\*\\objdata 0123}}"
      "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt lien}} texte"
      "{\\*\\bkmkstart b}{\\pict\\bin6 }{}\\x}}abc\\par}";
  EXPECT_EQ(PlainOf(rtf), "lien texteabc\r\n");
}

TEST(RtfReaderTest, BinaryDataIsSkippedByteForByte) {
  // The six bytes after \bin6 contain braces and backslashes that must not count.
  EXPECT_EQ(PlainOf("{\\rtf1 a{\\pict\\bin6 }{\\'x\\}b}"), "ab\r\n");
  // A length beyond the input ends the document without reading past it.
  EXPECT_EQ(PlainOf("{\\rtf1 a{\\pict\\bin999999999 xyz}"), "a\r\n");
}

// ---- reader: formatting model ------------------------------------------------------------

TEST(RtfReaderTest, RunsCarryBoldItalicUnderlineSizeColourAndFont) {
  const std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman{\\*\\panose 02}Times "
      "New Roman;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
      "\\pard\\fs20 plain {\\b gras {\\i italique}} {\\ul souligne\\ulnone  non}"
      " {\\f1\\fs32\\cf2 grand bleu}\\cf1 rouge\\plain  defaut\\par}";
  const RtfDocument doc = Read(rtf);
  ASSERT_EQ(doc.paragraphs.size(), 1u);
  const auto& runs = doc.paragraphs[0].runs;
  auto run = [&runs](const std::string& text) -> const RtfRun& {
    for (const RtfRun& r : runs)
      if (r.text == text) return r;
    ADD_FAILURE() << "no run \"" << text << "\"";
    static const RtfRun none;
    return none;
  };
  // Neighbouring text with the same formatting shares one run.
  EXPECT_EQ(runs.size(), 9u);
  EXPECT_EQ(run("plain ").halfPoints, 20);
  EXPECT_EQ(run("plain ").font, "Arial");
  EXPECT_TRUE(run("plain ").color.automatic);
  EXPECT_FALSE(run("plain ").bold || run("plain ").italic || run("plain ").underline);
  EXPECT_TRUE(run("gras ").bold);
  EXPECT_FALSE(run("gras ").italic);
  EXPECT_TRUE(run("italique").bold && run("italique").italic);
  EXPECT_FALSE(run(" ").bold || run(" ").italic);  // the groups' formatting has ended
  EXPECT_TRUE(run("souligne").underline);
  EXPECT_FALSE(run(" non ").underline);
  EXPECT_EQ(run("grand bleu").font, "Times New Roman");
  EXPECT_EQ(run("grand bleu").halfPoints, 32);
  EXPECT_EQ(run("grand bleu").color, (RtfColor{0, 0, 255, false}));
  EXPECT_EQ(run("rouge").color, (RtfColor{255, 0, 0, false}));
  EXPECT_EQ(run("rouge").halfPoints, 20);
  EXPECT_EQ(run("rouge").font, "Arial");
  EXPECT_EQ(run(" defaut").halfPoints, 24);  // \plain resets the character formatting
  EXPECT_TRUE(run(" defaut").color.automatic);
  EXPECT_EQ(run(" defaut").font, "Arial");  // the default font of \deff0
}

TEST(RtfReaderTest, ParagraphAlignmentIsTheOneInForceAtItsEnd) {
  const RtfDocument doc = Read(
      "{\\rtf1\\pard\\qc centre\\par\\pard droite\\qr\\par\\pard gauche\\par\\qj justifie\\par"
      "{\\qc groupe}\\par\\pard\\qc fin}");
  ASSERT_EQ(doc.paragraphs.size(), 6u);
  EXPECT_EQ(doc.paragraphs[0].align, RtfAlign::Center);
  EXPECT_EQ(doc.paragraphs[1].align, RtfAlign::Right);
  EXPECT_EQ(doc.paragraphs[2].align, RtfAlign::Left);
  EXPECT_EQ(doc.paragraphs[3].align, RtfAlign::Justify);
  EXPECT_EQ(doc.paragraphs[4].align, RtfAlign::Justify);  // the group's \qc ended before \par
  EXPECT_EQ(doc.paragraphs[5].align, RtfAlign::Center);   // last paragraph without \par
}

TEST(RtfReaderTest, HiddenTextIsNotShown) {
  EXPECT_EQ(PlainOf("{\\rtf1 a{\\v cache}b\\v c\\v0 d}"), "abd\r\n");
}

// ---- RTF or plain text -------------------------------------------------------------------

TEST(RtfDetectionTest, OnlyDocumentsStartingWithTheRtfSignatureAreRtf) {
  RtfDocument doc;
  EXPECT_TRUE(ParseRtf("\xEF\xBB\xBF \r\n{\\rtf1 x}", doc));
  EXPECT_EQ(doc.PlainText(), "x\r\n");
  EXPECT_FALSE(ParseRtf("2.00", doc));
  EXPECT_TRUE(doc.paragraphs.empty());
  EXPECT_FALSE(ParseRtf("x{\\rtf1 y}", doc));
  EXPECT_FALSE(ParseRtf("{\\rt", doc));
  EXPECT_FALSE(ParseRtf("", doc));
}

TEST(RtfPlainTextTest, LinesBecomeParagraphsWhateverTheirEnds) {
  EXPECT_EQ(LoadRichText("2.00").PlainText(), "2.00\r\n");
  EXPECT_EQ(LoadRichText("2.00\n").PlainText(), "2.00\r\n");
  EXPECT_EQ(LoadRichText("2.00\r\nautre\rtrois\n\nfin").PlainText(),
            "2.00\r\nautre\r\ntrois\r\n\r\nfin\r\n");
  EXPECT_EQ(LoadRichText("\x01"
                         "2.\x7F"
                         "00\t\x14")
                .PlainText(),
            "2.00\t\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 2.\x7F\\'7f\\'01"
                    "00}"),
            "2.00\r\n");
  EXPECT_EQ(LoadRichText("").paragraphs.size(), 0u);
  EXPECT_EQ(LoadRichText("a\n\n").paragraphs.size(), 2u);
}

TEST(RtfPlainTextTest, DecodesUtf8Cp1252AndUtf16) {
  EXPECT_EQ(LoadRichText("\xEF\xBB\xBF"
                         "été")
                .PlainText(),
            "été\r\n");
  EXPECT_EQ(LoadRichText("\xE9t\xE9 \x80").PlainText(), "été €\r\n");
  EXPECT_EQ(LoadRichText(std::string("\xFF\xFE"
                                     "2\0.\0"
                                     "0\0\xE9\0\n\0",
                                     12))
                .PlainText(),
            "2.0é\r\n");
  EXPECT_EQ(LoadRichText(std::string("\xFE\xFF\0v\0a\xD8\x3D\xDE\x00", 10)).PlainText(), "va😀\r\n");
}

TEST(RtfPlainTextTest, BytesThatAreNotTextCannotBeLoaded) {
  try {
    LoadRichText(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    FAIL() << "binary content was accepted";
  } catch (const VantorError& e) {
    EXPECT_STREQ(e.what(), "Erreur au chargement du flux");
  }
  EXPECT_THROW(LoadRichText(std::string("\xFF\xFE"
                                        "a\0\0\0",
                                        6)),
               VantorError);
  RtfDocument doc;
  EXPECT_FALSE(ParsePlainText(std::string("a\0b", 3), doc));
}

// ---- hostile input -----------------------------------------------------------------------

TEST(RtfHostileInputTest, DeepNestingIsFlattenedNotRecursed) {
  const std::string rtf =
      "{\\rtf1 a" + std::string(200000, '{') + "\\b b" + std::string(200000, '}') + "c\\par}";
  const RtfDocument doc = Read(rtf);
  EXPECT_EQ(doc.PlainText(), "abc\r\n");
}

TEST(RtfHostileInputTest, TruncatedAndUnbalancedDocumentsKeepWhatWasRead) {
  EXPECT_EQ(PlainOf("{\\rtf1 abc\\par de"), "abc\r\nde\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 abc}}}} trailing"), "abc\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\"), "a\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\'"), "a\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\'4"), "a4\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\u"), "a\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a\\u99999999999999999999 b}"), "a\xEF\xBF\xBD\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1 a{\\fonttbl{\\f0 Ari"), "a\r\n");
  EXPECT_EQ(PlainOf("{\\rtf1\\" + std::string(100000, 'x') + " a}"), "a\r\n");
}

TEST(RtfHostileInputTest, TheNumberOfParagraphsAndRunsIsBounded) {
  std::string rtf = "{\\rtf1 ";
  const std::size_t count = kRtfMaxBlocks + 1000;
  for (std::size_t i = 0; i < count; ++i) rtf += "\\par ";
  rtf += "fin}";
  const RtfDocument doc = Read(rtf);
  EXPECT_LE(doc.paragraphs.size(), kRtfMaxBlocks + 1);
  // Nothing is lost: the paragraph ends past the bound are kept as line breaks.
  const std::string plain = doc.PlainText();
  std::size_t breaks = 0;
  for (std::size_t p = plain.find("\r\n"); p != std::string::npos; p = plain.find("\r\n", p + 2))
    ++breaks;
  EXPECT_EQ(breaks, count + 1);
  EXPECT_TRUE(plain.ends_with("fin\r\n"));
}

TEST(RtfHostileInputTest, InputsBeyondTheSizeBoundAreRefused) {
  RtfDocument doc;
  const std::string huge = "{\\rtf1 " + std::string(kRtfMaxInputBytes, 'a') + "}";
  EXPECT_FALSE(ParseRtf(huge, doc));
  EXPECT_FALSE(ParsePlainText(huge, doc));
  EXPECT_THROW(LoadRichText(huge), VantorError);
}

}  // namespace
}  // namespace vantor

namespace vantor {
namespace {

TEST(RtfParagraphFormat, SpacingAndIndentsFollowTheParagraphUntilPard) {
  RtfDocument doc;
  ASSERT_TRUE(ParseRtf(R"({\rtf1\ansi \sb120\sa60\li568\fi-284 Premier\par Second\par)"
                       R"(\pard\qc Titre\par \li99999999 Loin\par})",
                       doc));
  ASSERT_EQ(doc.paragraphs.size(), 4u);
  for (int i : {0, 1}) {
    EXPECT_EQ(doc.paragraphs[i].spaceBefore, 120);
    EXPECT_EQ(doc.paragraphs[i].spaceAfter, 60);
    EXPECT_EQ(doc.paragraphs[i].leftIndent, 568);
    EXPECT_EQ(doc.paragraphs[i].firstIndent, -284);
  }
  EXPECT_EQ(doc.paragraphs[2].align, RtfAlign::Center);
  EXPECT_EQ(doc.paragraphs[2].leftIndent, 0);
  EXPECT_EQ(doc.paragraphs[2].spaceAfter, 0);
  EXPECT_EQ(doc.paragraphs[3].leftIndent, 31680);  // held within a page
}

TEST(RtfParagraphFormat, TabStopsBelongToTheirParagraph) {
  RtfDocument doc;
  ASSERT_TRUE(ParseRtf(R"({\rtf1\ansi \tx568\tx681 a\tab b\par\pard c\par})", doc));
  ASSERT_EQ(doc.paragraphs.size(), 2u);
  EXPECT_EQ(doc.paragraphs[0].tabStops, (std::vector<int>{568, 681}));
  EXPECT_TRUE(doc.paragraphs[1].tabStops.empty());
  std::string many = "{\\rtf1 ";
  for (int i = 0; i < 1000; ++i) many += "\\tx" + std::to_string(i * 10);
  many += " x\\par}";
  RtfDocument crowded;
  ASSERT_TRUE(ParseRtf(many, crowded));
  EXPECT_EQ(crowded.paragraphs.at(0).tabStops.size(), 64u);
}

}  // namespace
}  // namespace vantor
