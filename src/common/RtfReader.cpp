// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader: a single pass over the document's groups, control words and text,
// building paragraphs of formatted runs.
#include <algorithm>
#include <array>
#include <map>

#include "common/Rtf.h"
#include "common/RtfText.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr std::size_t kMaxFontName = 256;
constexpr std::size_t kMaxColors = 4096;
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxControlWord = 32;

// Code page of a font from its \fcharset value; 0 means the document's code page.
int CharsetCodePage(int charset) {
  switch (charset) {
    case 161:
      return 1253;
    case 162:
      return 1254;
    case 163:
      return 1258;
    case 177:
      return 1255;
    case 178:
      return 1256;
    case 186:
      return 1257;
    case 204:
      return 1251;
    case 222:
      return 874;
    case 238:
      return 1250;
    case 254:
    case 255:
      return 437;
    default:
      return 0;
  }
}

// Where the text of a group goes.
enum class Destination { Text, Skip, FontTable, ColorTable };

struct CharFormat {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool hidden = false;
  int halfPoints = 24;
  int colorIndex = 0;
  int fontIndex = -1;  // -1: the document's default font

  friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

struct ParagraphFormat {
  RtfAlign align = RtfAlign::Left;
  int spaceBefore = 0, spaceAfter = 0, leftIndent = 0, rightIndent = 0, firstIndent = 0;
  std::vector<int> tabStops;
};

// Tab stops kept per paragraph: more than a line can use is hostile input.
constexpr std::size_t kMaxTabStops = 64;

// Spacing and indents are kept within a page's size (about 22 inches), so a hostile
// value cannot push the text out of any page.
int Twips(bool hasParam, int param) {
  return hasParam ? std::clamp(param, -31680, 31680) : 0;
}

struct GroupState {
  CharFormat format;
  ParagraphFormat paragraph;
  int unicodeSkip = 1;  // \ucN: characters that stand for each \uN
  Destination destination = Destination::Text;
  bool ignorable = false;  // "\*" seen: an unknown destination is skipped
  bool firstWord = true;   // no control word read yet in this group
};

struct FontInfo {
  std::string name;
  int codePage = 0;
  bool nameDone = false;
};

// Control words that open a destination whose content is not document text. A
// field's instruction (\fldinst) is skipped while its shown result (\fldrslt) is kept.
bool IsSkippedDestination(std::string_view word) {
  static constexpr std::string_view kSkipped[] = {"stylesheet",
                                                  "info",
                                                  "header",
                                                  "footer",
                                                  "headerl",
                                                  "headerr",
                                                  "headerf",
                                                  "footerl",
                                                  "footerr",
                                                  "footerf",
                                                  "pict",
                                                  "object",
                                                  "objdata",
                                                  "fldinst",
                                                  "themedata",
                                                  "colorschememapping",
                                                  "latentstyles",
                                                  "datastore",
                                                  "xmlnstbl",
                                                  "listtable",
                                                  "listoverridetable",
                                                  "rsidtbl",
                                                  "generator",
                                                  "mmathPr",
                                                  "footnote",
                                                  "annotation",
                                                  "atnid",
                                                  "atnauthor",
                                                  "pn",
                                                  "pntxta",
                                                  "pntxtb",
                                                  "filetbl",
                                                  "revtbl",
                                                  "shp",
                                                  "shpinst",
                                                  "nonshppict",
                                                  "template",
                                                  "userprops",
                                                  "docvar",
                                                  "bkmkstart",
                                                  "bkmkend",
                                                  "private"};
  return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

class RtfReader {
 public:
  RtfReader(std::string_view input, RtfDocument& doc) : in_(input), doc_(doc) {}

  void Run() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        pendingSkip_ = 0;
        OpenGroup();
      } else if (c == '}') {
        ++pos_;
        pendingSkip_ = 0;
        if (!CloseGroup()) return;  // the document's outer group is closed
      } else if (c == '\\') {
        ++pos_;
        ReadControl();
      } else if (c == '\r' || c == '\n') {
        ++pos_;  // line ends in the file carry no meaning
      } else {
        ++pos_;
        if (pendingSkip_ > 0) {
          --pendingSkip_;
          continue;
        }
        if (static_cast<unsigned char>(c) < 0x80)
          Character(static_cast<unsigned char>(c));
        else
          Character(CodePageToUnicode(CurrentCodePage(), static_cast<unsigned char>(c)));
      }
    }
    // The input ended before the outer group closed: keep what was read.
    FinishDocument();
  }

 private:
  void FinishDocument() {
    FlushSurrogate();
    FinishParagraph(/*atEnd=*/true);
  }

  // ---- groups --------------------------------------------------------------------
  void OpenGroup() {
    if (stack_.size() >= static_cast<std::size_t>(kRtfMaxDepth)) {
      ++flattened_;
      return;
    }
    stack_.push_back(state_);
    state_.ignorable = false;
    state_.firstWord = true;
  }

  // Returns false when the outer group closes.
  bool CloseGroup() {
    if (flattened_ > 0) {
      --flattened_;
      return true;
    }
    if (state_.destination == Destination::FontTable) EndFontEntry();
    if (stack_.size() <= 1) {
      // The outer group: the last paragraph takes the formatting still in force.
      FinishDocument();
      return false;
    }
    state_ = stack_.back();
    stack_.pop_back();
    return true;
  }

  // ---- control words and symbols ---------------------------------------------------
  void ReadControl() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (!IsAsciiLetter(c)) {
      ++pos_;
      ControlSymbol(c);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsAsciiLetter(in_[pos_])) ++pos_;
    std::string_view word = in_.substr(start, std::min(pos_ - start, kMaxControlWord));
    bool hasParam = false;
    long long param = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
        IsAsciiDigit(in_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    while (pos_ < in_.size() && IsAsciiDigit(in_[pos_])) {
      hasParam = true;
      if (param < 10000000000LL) param = param * 10 + (in_[pos_] - '0');
      ++pos_;
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;  // the delimiting space
    param = std::clamp(negative ? -param : param, -2147483648LL, 2147483647LL);

    if (word == "bin") {
      // Binary data: its bytes are not RTF and must not be interpreted.
      const std::size_t length = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
      pos_ += std::min(length, in_.size() - pos_);
      return;
    }
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    const bool first = state_.firstWord;
    state_.firstWord = false;
    ControlWord(word, hasParam, static_cast<int>(param), first);
  }

  void ControlSymbol(char c) {
    if (c == '\'') {
      int value = -1;
      if (pos_ + 1 < in_.size()) {
        const int high = HexDigitValue(in_[pos_]);
        const int low = HexDigitValue(in_[pos_ + 1]);
        if (high >= 0 && low >= 0) {
          value = high * 16 + low;
          pos_ += 2;
        }
      }
      if (pendingSkip_ > 0) {
        --pendingSkip_;
        return;
      }
      if (value >= 0)
        Character(CodePageToUnicode(CurrentCodePage(), static_cast<unsigned char>(value)));
      return;
    }
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    switch (c) {
      case '\\':
      case '{':
      case '}':
        Character(static_cast<unsigned char>(c));
        break;
      case '~':
        Character(0x00A0);
        break;
      case '_':
        Character(0x2011);
        break;
      case '\t':
        Character('\t');
        break;
      case '\r':
      case '\n':
        EndParagraph();
        break;
      case '*':
        state_.ignorable = true;
        break;
      default:
        break;  // "\-" optional hyphen, "\|", "\:" and unknown symbols show nothing
    }
  }

  void ControlWord(std::string_view w, bool hasParam, int param, bool firstInGroup) {
    const bool on = !hasParam || param != 0;
    // Destinations.
    if (w == "fonttbl") {
      state_.destination = Destination::FontTable;
      return;
    }
    if (w == "colortbl") {
      state_.destination = Destination::ColorTable;
      colorStarted_ = false;
      return;
    }
    if (IsSkippedDestination(w)) {
      state_.destination = Destination::Skip;
      return;
    }
    if (state_.ignorable && firstInGroup && w != "fldrslt") {
      // An ignorable destination this reader does not know: skip the whole group.
      state_.destination = Destination::Skip;
      return;
    }
    if (state_.destination == Destination::Skip) return;

    if (state_.destination == Destination::FontTable) {
      FontTableWord(w, hasParam, param);
      return;
    }
    if (state_.destination == Destination::ColorTable) {
      ColorTableWord(w, param);
      return;
    }

    // Document-wide settings.
    if (w == "ansicpg") {
      if (hasParam) documentCodePage_ = param;
    } else if (w == "ansi") {
      documentCodePage_ = 1252;
    } else if (w == "pc") {
      documentCodePage_ = 437;
    } else if (w == "pca") {
      documentCodePage_ = 850;
    } else if (w == "mac") {
      documentCodePage_ = 10000;
    } else if (w == "deff") {
      defaultFont_ = param;
      // Text breaks.
    } else if (w == "par" || w == "sect" || w == "row" || w == "nestrow") {
      EndParagraph();
    } else if (w == "line") {
      Character('\n');
    } else if (w == "tab" || w == "cell" || w == "nestcell") {
      Character('\t');
      // Unicode.
    } else if (w == "u") {
      // A signed 16-bit UTF-16 unit; values outside 16 bits are not characters.
      const long code = param < 0 ? param + 65536L : param;
      Character(code >= 0 && code <= 0xFFFF ? static_cast<char32_t>(code) : char32_t{0xFFFD});
      pendingSkip_ = state_.unicodeSkip;
    } else if (w == "uc") {
      state_.unicodeSkip = std::clamp(param, 0, 16);
      // Character formatting.
    } else if (w == "plain") {
      state_.format = CharFormat{};
    } else if (w == "b") {
      state_.format.bold = on;
    } else if (w == "i") {
      state_.format.italic = on;
    } else if (w == "ulnone") {
      state_.format.underline = false;
    } else if (w.starts_with("ul") && w != "ulc") {
      state_.format.underline = on;
    } else if (w == "v") {
      state_.format.hidden = on;
    } else if (w == "fs") {
      state_.format.halfPoints = hasParam && param > 0 ? std::min(param, 32767) : 24;
    } else if (w == "cf") {
      state_.format.colorIndex = std::max(param, 0);
    } else if (w == "f") {
      state_.format.fontIndex = param;
      // Paragraph formatting.
    } else if (w == "pard") {
      state_.paragraph = ParagraphFormat{};
    } else if (w == "ql") {
      state_.paragraph.align = RtfAlign::Left;
    } else if (w == "qc") {
      state_.paragraph.align = RtfAlign::Center;
    } else if (w == "qr") {
      state_.paragraph.align = RtfAlign::Right;
    } else if (w == "qj" || w == "qd") {
      state_.paragraph.align = RtfAlign::Justify;
    } else if (w == "sb") {
      state_.paragraph.spaceBefore = std::max(0, Twips(hasParam, param));
    } else if (w == "sa") {
      state_.paragraph.spaceAfter = std::max(0, Twips(hasParam, param));
    } else if (w == "li") {
      state_.paragraph.leftIndent = Twips(hasParam, param);
    } else if (w == "ri") {
      state_.paragraph.rightIndent = Twips(hasParam, param);
    } else if (w == "fi") {
      state_.paragraph.firstIndent = Twips(hasParam, param);
    } else if (w == "tx") {
      if (state_.paragraph.tabStops.size() < kMaxTabStops)
        state_.paragraph.tabStops.push_back(std::max(0, Twips(hasParam, param)));
    } else {
      SpecialCharacter(w);
    }
  }

  void SpecialCharacter(std::string_view w) {
    struct Special {
      std::string_view word;
      char32_t ch;
    };
    static constexpr std::array<Special, 14> kSpecials = {{{"emdash", 0x2014},
                                                           {"endash", 0x2013},
                                                           {"bullet", 0x2022},
                                                           {"lquote", 0x2018},
                                                           {"rquote", 0x2019},
                                                           {"ldblquote", 0x201C},
                                                           {"rdblquote", 0x201D},
                                                           {"emspace", 0x2003},
                                                           {"enspace", 0x2002},
                                                           {"qmspace", 0x2005},
                                                           {"zwj", 0x200D},
                                                           {"zwnj", 0x200C},
                                                           {"ltrmark", 0x200E},
                                                           {"rtlmark", 0x200F}}};
    for (const Special& s : kSpecials)
      if (s.word == w) {
        Character(s.ch);
        return;
      }
    // Every other control word is formatting this reader does not keep.
  }

  // ---- font and colour tables ------------------------------------------------------
  void FontTableWord(std::string_view w, bool hasParam, int param) {
    if (w == "f" && hasParam) {
      EndFontEntry();
      if (fonts_.size() >= kMaxFonts && fonts_.find(param) == fonts_.end()) return;
      fontEntry_ = param;
      fontOpen_ = true;
      fonts_[param];
    } else if (w == "fcharset" && fontOpen_) {
      fonts_[fontEntry_].codePage = CharsetCodePage(param);
    } else if (w == "cpg" && fontOpen_ && hasParam) {
      fonts_[fontEntry_].codePage = param;
    }
  }

  void EndFontEntry() {
    if (fontOpen_) fonts_[fontEntry_].nameDone = true;
    fontOpen_ = false;
  }

  void FontNameCharacter(char32_t ch) {
    if (!fontOpen_) return;
    FontInfo& font = fonts_[fontEntry_];
    if (font.nameDone) return;
    if (ch == ';') {
      font.nameDone = true;
      return;
    }
    if (font.name.size() < kMaxFontName) AppendUtf8(font.name, ch);
  }

  void ColorTableWord(std::string_view w, int param) {
    const auto component = static_cast<std::uint8_t>(std::clamp(param, 0, 255));
    if (w == "red") {
      pendingColor_.red = component;
    } else if (w == "green") {
      pendingColor_.green = component;
    } else if (w == "blue") {
      pendingColor_.blue = component;
    } else {
      return;
    }
    colorStarted_ = true;
  }

  void ColorTableCharacter(char32_t ch) {
    if (ch != ';') return;
    if (colors_.size() < kMaxColors) {
      RtfColor color = pendingColor_;
      color.automatic = !colorStarted_;
      colors_.push_back(color);
    }
    pendingColor_ = RtfColor{};
    colorStarted_ = false;
  }

  // ---- text ------------------------------------------------------------------------
  int CurrentCodePage() const {
    const int index = state_.format.fontIndex < 0 ? defaultFont_ : state_.format.fontIndex;
    if (state_.destination == Destination::Text) {
      const auto it = fonts_.find(index);
      if (it != fonts_.end() && it->second.codePage != 0) return it->second.codePage;
    }
    return documentCodePage_;
  }

  void FlushSurrogate() {
    char32_t ch;
    if (utf16_.Finish(ch)) Emit(ch);
  }

  void Character(char32_t ch) {
    switch (state_.destination) {
      case Destination::Skip:
        return;
      case Destination::FontTable:
        FontNameCharacter(ch);
        return;
      case Destination::ColorTable:
        ColorTableCharacter(ch);
        return;
      case Destination::Text:
        break;
    }
    if (state_.format.hidden) return;
    // \uN gives UTF-16 units: the decoder pairs the surrogates.
    char32_t chars[2];
    const int count = utf16_.Put(ch, chars);
    for (int k = 0; k < count; ++k)
      if (!IsDroppedControl(chars[k])) Emit(chars[k]);
  }

  void Emit(char32_t ch) {
    RtfRun* run = RunFor(state_.format);
    AppendUtf8(run->text, ch);
    hasText_ = true;
  }

  // The run that receives text in `format`: the current paragraph's last run when its
  // formatting is the same, else a new one (or the last one when the document has
  // reached its size bound).
  RtfRun* RunFor(const CharFormat& format) {
    std::vector<RtfRun>& runs = paragraph_.runs;
    if (!runs.empty() && (saturated_ || runFormat_ == format)) return &runs.back();
    if (blocks_ >= kRtfMaxBlocks) saturated_ = true;
    if (saturated_ && !runs.empty()) return &runs.back();
    ++blocks_;
    RtfRun run;
    run.bold = format.bold;
    run.italic = format.italic;
    run.underline = format.underline;
    run.halfPoints = format.halfPoints;
    if (format.colorIndex >= 0 && static_cast<std::size_t>(format.colorIndex) < colors_.size())
      run.color = colors_[static_cast<std::size_t>(format.colorIndex)];
    const int font = format.fontIndex < 0 ? defaultFont_ : format.fontIndex;
    const auto it = fonts_.find(font);
    if (it != fonts_.end()) run.font = it->second.name;
    runs.push_back(std::move(run));
    runFormat_ = format;
    return &runs.back();
  }

  void EndParagraph() {
    if (state_.destination != Destination::Text) return;
    if (state_.format.hidden) return;
    FlushSurrogate();
    if (saturated_) {
      // Past the size bound paragraphs are no longer separated; keep the break as text.
      RunFor(state_.format)->text += '\n';
      return;
    }
    FinishParagraph(/*atEnd=*/false);
  }

  void FinishParagraph(bool atEnd) {
    // Text after the last paragraph end forms a last paragraph; nothing after it, none.
    if (atEnd && !hasText_ && paragraph_.runs.empty()) return;
    paragraph_.align = state_.paragraph.align;
    paragraph_.spaceBefore = state_.paragraph.spaceBefore;
    paragraph_.spaceAfter = state_.paragraph.spaceAfter;
    paragraph_.leftIndent = state_.paragraph.leftIndent;
    paragraph_.rightIndent = state_.paragraph.rightIndent;
    paragraph_.firstIndent = state_.paragraph.firstIndent;
    paragraph_.tabStops = state_.paragraph.tabStops;
    doc_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RtfParagraph{};
    hasText_ = false;
    if (++blocks_ >= kRtfMaxBlocks) saturated_ = true;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  RtfDocument& doc_;
  std::vector<GroupState> stack_;
  GroupState state_;
  int flattened_ = 0;  // groups opened beyond the depth bound, not yet closed
  int pendingSkip_ = 0;
  Utf16Decoder utf16_;

  int documentCodePage_ = 1252;
  int defaultFont_ = 0;
  std::map<int, FontInfo> fonts_;
  int fontEntry_ = 0;
  bool fontOpen_ = false;
  std::vector<RtfColor> colors_;
  RtfColor pendingColor_;
  bool colorStarted_ = false;

  RtfParagraph paragraph_;
  CharFormat runFormat_;
  bool hasText_ = false;
  std::size_t blocks_ = 0;
  bool saturated_ = false;
};

// Position of "{\rtf" after an optional UTF-8 byte-order mark and blanks, or npos.
std::size_t RtfStart(std::string_view bytes) {
  std::size_t pos = 0;
  if (bytes.starts_with("\xEF\xBB\xBF")) pos = 3;
  while (pos < bytes.size() &&
         (bytes[pos] == ' ' || bytes[pos] == '\t' || bytes[pos] == '\r' || bytes[pos] == '\n'))
    ++pos;
  if (bytes.substr(pos).starts_with("{\\rtf")) return pos;
  return std::string_view::npos;
}

}  // namespace

bool ParseRtf(std::string_view bytes, RtfDocument& out) {
  out = RtfDocument{};
  if (bytes.size() > kRtfMaxInputBytes) return false;
  const std::size_t start = RtfStart(bytes);
  if (start == std::string_view::npos) return false;
  RtfReader reader(bytes.substr(start), out);
  reader.Run();
  return true;
}

RtfDocument LoadRichText(std::string_view bytes) {
  RtfDocument doc;
  if (ParseRtf(bytes, doc)) return doc;
  if (ParsePlainText(bytes, doc)) return doc;
  throw VantorError("Erreur au chargement du flux");
}

}  // namespace vantor
