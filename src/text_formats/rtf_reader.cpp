#include "text_formats/rtf_reader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include "text_formats/utf8.h"

namespace parlotto {
namespace {

constexpr int kDefaultCodePage = 1252;
// A code page that stands for "the document's own".
constexpr int kDocumentCodePage = 0;

enum class Destination {
  kText,
  kSkip,
  kFontTable,
  // An embedded object: its data is skipped, its \result is shown.
  kObject,
};

struct GroupState {
  Destination destination = Destination::kText;
  int skip_after_unicode = 1;  // \ucN
  int font = -1;
  bool hidden = false;
};

// Destinations whose text the control never displays.
constexpr std::string_view kSkippedDestinations[] = {
    "annotation",
    "atnauthor",
    "atndate",
    "atnicn",
    "atnid",
    "atnparent",
    "atnref",
    "atntime",
    "atrfend",
    "atrfstart",
    "author",
    "background",
    "buptim",
    "colortbl",
    "comment",
    "creatim",
    "datafield",
    "do",
    "doccomm",
    "docvar",
    "falt",
    "fchars",
    "fldinst",
    "fontemb",
    "fontfile",
    "footer",
    "footerf",
    "footerl",
    "footerr",
    "footnote",
    "ftncn",
    "ftnsep",
    "ftnsepc",
    "header",
    "headerf",
    "headerl",
    "headerr",
    "info",
    "keywords",
    "lchars",
    "listtable",
    "listoverridetable",
    "nonshppict",
    "operator",
    "pict",
    "pn",
    "pntxta",
    "pntxtb",
    "printim",
    "private",
    "revtbl",
    "revtim",
    "rsidtbl",
    "rxe",
    "shp",
    "stylesheet",
    "subject",
    "tc",
    "template",
    "title",
    "txe",
    "userprops",
    "xe",
    "xmlnstbl",
    "generator",
    "filetbl",
    "pgdsctbl",
    "mmathPr",
    "latentstyles",
    "themedata",
    "colorschememapping",
    "datastore",
    "objdata",
    "objclass",
    "objname",
    "comment",
    "hlinkbase",
};

bool IsSkippedDestination(std::string_view word) {
  return std::find(std::begin(kSkippedDestinations), std::end(kSkippedDestinations), word) !=
         std::end(kSkippedDestinations);
}

// Control words that stand for one character of the text.
struct SpecialCharacter {
  std::string_view word;
  char32_t character;
};
constexpr SpecialCharacter kSpecialCharacters[] = {
    {"tab", U'\t'},           {"bullet", U'\u2022'},    {"emdash", U'\u2014'},
    {"endash", U'\u2013'},    {"emspace", U'\u2003'},   {"enspace", U'\u2002'},
    {"qmspace", U'\u2005'},   {"lquote", U'\u2018'},    {"rquote", U'\u2019'},
    {"ldblquote", U'\u201C'}, {"rdblquote", U'\u201D'}, {"zwj", U'\u200D'},
    {"zwnj", U'\u200C'},      {"ltrmark", U'\u200E'},   {"rtlmark", U'\u200F'},
};

// Control words that end a paragraph or a line.
constexpr std::string_view kBreaks[] = {"par", "line", "sect", "page", "row", "nestrow"};

// The code page of a font's character set (\fcharsetN); the document's for
// the default and symbol sets and for those it does not know.
int CodePageOfCharset(int charset) {
  static const std::map<int, int> kTable = {
      {0, 1252},   {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
      {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
      {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850},
  };
  const auto found = kTable.find(charset);
  return found != kTable.end() ? found->second : kDocumentCodePage;
}

std::string CodePageName(int code_page) {
  switch (code_page) {
    case 437:
    case 850:
    case 852:
    case 866:
      return "IBM" + std::to_string(code_page);
    case 932:
      return "Shift_JIS";
    case 936:
      return "GBK";
    case 950:
      return "Big5";
    case 10000:
      return "macintosh";
    case 65001:
      return "UTF-8";
    default:
      return "windows-" + std::to_string(code_page);
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class RtfReader {
 public:
  RtfReader(std::string_view rtf, const RtfLimits& limits) : in_(rtf), limits_(limits) {}

  std::string Read() {
    while (pos_ < in_.size() && !done_) Step();
    FlushBytes();
    // The last paragraph mark is the control's own final one.
    if (out_.ends_with("\r\n")) out_.resize(out_.size() - 2);
    return std::move(out_);
  }

 private:
  void Step() {
    const char c = in_[pos_++];
    switch (c) {
      case '{':
        OpenGroup();
        break;
      case '}':
        CloseGroup();
        break;
      case '\\':
        ControlSequence();
        break;
      case '\r':
      case '\n':
        break;
      default:
        // Some writers put a blank between the brace and the destination
        // ("{ \fonttbl"); it is text only when no destination follows.
        if (c == ' ' && group_start_) {
          ++leading_spaces_;
          break;
        }
        FlushLeadingSpaces();
        group_start_ = false;
        if (SkipsCharacter()) break;
        if (static_cast<unsigned char>(c) >= 0x80) {
          AddByte(static_cast<unsigned char>(c));
        } else if (c == '\t') {
          AddCharacter(U'\t');
        } else if (static_cast<unsigned char>(c) >= 0x20) {
          AddCharacter(static_cast<char32_t>(c));
        }
    }
  }

  GroupState& State() { return groups_.back(); }

  // The blanks after a group's brace that turned out to be text.
  void FlushLeadingSpaces() {
    for (; leading_spaces_ > 0; --leading_spaces_) AddCharacter(U' ');
  }

  void OpenGroup() {
    FlushLeadingSpaces();
    FlushBytes();
    unicode_skip_ = 0;
    if (overflow_ > 0 || groups_.size() >= limits_.max_depth) {
      ++overflow_;
      return;
    }
    groups_.push_back(groups_.empty() ? GroupState{} : groups_.back());
    group_start_ = true;
    ignorable_ = false;
  }

  void CloseGroup() {
    FlushLeadingSpaces();
    FlushBytes();
    unicode_skip_ = 0;
    group_start_ = false;
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (!groups_.empty()) groups_.pop_back();
    // Nothing after the document's own group belongs to it.
    if (groups_.empty()) done_ = true;
  }

  bool Skipping() const {
    if (overflow_ > 0 || groups_.empty()) return true;
    const GroupState& state = groups_.back();
    return state.destination != Destination::kText || state.hidden;
  }

  // Consumes one of the characters that stand in for a \u character.
  bool SkipsCharacter() {
    if (unicode_skip_ == 0) return false;
    --unicode_skip_;
    return true;
  }

  void ControlSequence() {
    if (pos_ >= in_.size()) return;
    const char c = in_[pos_];
    if (IsLetter(c)) {
      ControlWord();
      return;
    }
    if (c != '*') FlushLeadingSpaces();
    ++pos_;
    if (c == '\'') {
      HexCharacter();
      return;
    }
    const bool was_group_start = group_start_;
    group_start_ = false;
    if (c == '*') {
      if (was_group_start) ignorable_ = true;
      group_start_ = was_group_start;
      return;
    }
    if (SkipsCharacter()) return;
    ControlSymbol(c);
  }

  void ControlSymbol(char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}':
        AddCharacter(static_cast<char32_t>(c));
        break;
      case '~':
        AddCharacter(U'\u00A0');
        break;
      case '_':
        AddCharacter(U'\u2011');
        break;
      case '\r':
      case '\n':
        AddBreak();
        break;
      default:
        // \- (an optional hyphen), \| and \: show nothing.
        break;
    }
  }

  void HexCharacter() {
    group_start_ = false;
    int value = -1;
    if (pos_ + 1 < in_.size()) {
      const int high = HexValue(in_[pos_]);
      const int low = HexValue(in_[pos_ + 1]);
      if (high >= 0 && low >= 0) value = high * 16 + low;
    }
    if (value < 0) {
      // A broken escape takes its hex digits with it.
      for (int i = 0; i < 2 && pos_ < in_.size() && HexValue(in_[pos_]) >= 0; ++i) ++pos_;
      return;
    }
    pos_ += 2;
    if (SkipsCharacter()) return;
    AddByte(static_cast<unsigned char>(value));
  }

  void ControlWord() {
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_]) && pos_ - start < 32) ++pos_;
    const std::string_view word = in_.substr(start, pos_ - start);
    std::optional<int> parameter = Parameter();
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;

    if (word == "bin") {
      SkipBinary(parameter.value_or(0));
      return;
    }
    const bool destination_word = group_start_;
    const bool ignorable = ignorable_;
    group_start_ = false;
    ignorable_ = false;
    if (destination_word) {
      const bool entered = EnterDestination(word);
      if (!entered && ignorable) State().destination = Destination::kSkip;
      if (entered || ignorable) {
        leading_spaces_ = 0;
        return;
      }
    }
    FlushLeadingSpaces();
    if (State().destination == Destination::kFontTable) {
      FontTableWord(word, parameter);
      return;
    }
    if (word == "u" && parameter) {
      Unicode(*parameter);
      return;
    }
    if (SkipsCharacter()) return;
    TextWord(word, parameter);
  }

  // -?digits, at most ten of them.
  std::optional<int> Parameter() {
    const std::size_t start = pos_;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-') {
      negative = true;
      ++pos_;
    }
    std::int64_t value = 0;
    std::size_t digits = 0;
    while (pos_ < in_.size() && IsDigit(in_[pos_]) && digits < 10) {
      value = value * 10 + (in_[pos_++] - '0');
      ++digits;
    }
    if (digits == 0) {
      pos_ = start;
      return std::nullopt;
    }
    value = std::clamp<std::int64_t>(negative ? -value : value, INT32_MIN, INT32_MAX);
    return static_cast<int>(value);
  }

  void SkipBinary(int count) {
    group_start_ = false;
    // Data that may hold braces and backslashes; only the length counts.
    const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
    pos_ += std::min(n, in_.size() - pos_);
    SkipsCharacter();
  }

  // A destination word at the start of a group; true when it was one.
  bool EnterDestination(std::string_view word) {
    GroupState& state = State();
    if (word == "fonttbl") {
      state.destination = Destination::kFontTable;
    } else if (word == "object") {
      state.destination = Destination::kObject;
    } else if (word == "result" && state.destination == Destination::kObject) {
      state.destination = Destination::kText;
    } else if (IsSkippedDestination(word)) {
      state.destination = Destination::kSkip;
    } else {
      return false;
    }
    return true;
  }

  void FontTableWord(std::string_view word, std::optional<int> parameter) {
    if (!parameter) return;
    if (word == "f") {
      table_font_ = *parameter;
    } else if (word == "fcharset") {
      font_code_pages_[table_font_] = CodePageOfCharset(*parameter);
    } else if (word == "cpg") {
      font_code_pages_[table_font_] = *parameter;
    }
  }

  void TextWord(std::string_view word, std::optional<int> parameter) {
    if (StateWord(word, parameter) || Skipping()) return;
    if (word == "cell" || word == "nestcell") {
      AddCharacter(U'\t');
      after_cell_ = true;
    } else if (std::find(std::begin(kBreaks), std::end(kBreaks), word) != std::end(kBreaks)) {
      // Cells are separated by tabs; the last one of a row needs none.
      FlushBytes();
      if ((word == "row" || word == "nestrow") && after_cell_ && out_.ends_with('\t')) {
        out_.pop_back();
      }
      AddBreak();
    } else {
      for (const SpecialCharacter& special : kSpecialCharacters) {
        if (special.word == word) AddCharacter(special.character);
      }
    }
  }

  // Words that change how what follows is read; they count in skipped
  // and hidden text too (\v0 ends hidden text).
  bool StateWord(std::string_view word, std::optional<int> parameter) {
    if (word == "ansicpg" && parameter) {
      document_code_page_ = *parameter;
    } else if (word == "ansi") {
      document_code_page_ = kDefaultCodePage;
    } else if (word == "mac") {
      document_code_page_ = 10000;
    } else if (word == "pc") {
      document_code_page_ = 437;
    } else if (word == "pca") {
      document_code_page_ = 850;
    } else if (word == "deff" && parameter) {
      default_font_ = *parameter;
    } else if (word == "f" && parameter) {
      State().font = *parameter;
    } else if (word == "uc" && parameter) {
      State().skip_after_unicode = std::clamp(*parameter, 0, 16);
    } else if (word == "v") {
      State().hidden = parameter.value_or(1) != 0;
    } else if (word == "plain") {
      State().hidden = false;
      State().font = -1;
    } else {
      return false;
    }
    return true;
  }

  void Unicode(int value) {
    FlushBytes();
    unicode_skip_ = State().skip_after_unicode;
    char32_t c = static_cast<char32_t>(value < 0 ? value + 0x10000 : value) & 0xFFFF;
    if (c >= 0xD800 && c <= 0xDBFF) {
      high_surrogate_ = c;
      return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
      if (high_surrogate_ == 0) return AddCharacter(U'\uFFFD');
      c = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
    }
    AddCharacter(c);
  }

  int CurrentCodePage() const {
    const int font =
        groups_.empty() || groups_.back().font < 0 ? default_font_ : groups_.back().font;
    const auto found = font_code_pages_.find(font);
    if (found != font_code_pages_.end() && found->second != kDocumentCodePage) {
      return found->second;
    }
    return document_code_page_;
  }

  // Bytes of the code page gather until something else comes: a character
  // of a double-byte code page comes as two \'hh.
  void AddByte(unsigned char byte) {
    if (Skipping()) return;
    const int code_page = CurrentCodePage();
    if (!pending_.empty() && pending_code_page_ != code_page) FlushBytes();
    pending_code_page_ = code_page;
    pending_ += static_cast<char>(byte);
  }

  void FlushBytes() {
    if (pending_.empty()) return;
    const QString text =
        Decoder(pending_code_page_)
            .decode(QByteArrayView(pending_.data(), static_cast<qsizetype>(pending_.size())));
    pending_.clear();
    const QByteArray utf8 = text.toUtf8();
    Append(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  }

  QStringDecoder& Decoder(int code_page) {
    auto found = decoders_.find(code_page);
    if (found == decoders_.end()) {
      QStringDecoder decoder(CodePageName(code_page).c_str());
      if (!decoder.isValid()) decoder = QStringDecoder(CodePageName(kDefaultCodePage).c_str());
      found = decoders_.emplace(code_page, std::move(decoder)).first;
    }
    found->second.resetState();
    return found->second;
  }

  void AddCharacter(char32_t c) {
    // Control characters are no text; tab and line ends come as words.
    if (Skipping() || (c < 0x20 && c != U'\t')) return;
    FlushBytes();
    high_surrogate_ = 0;
    std::string utf8;
    AppendUtf8(utf8, c);
    Append(utf8);
  }

  void AddBreak() {
    if (Skipping()) return;
    FlushBytes();
    Append("\r\n");
  }

  void Append(std::string_view text) {
    after_cell_ = false;
    if (out_.size() + text.size() > limits_.max_output) {
      done_ = true;
      return;
    }
    out_ += text;
  }

  std::string_view in_;
  RtfLimits limits_;
  std::size_t pos_ = 0;
  std::vector<GroupState> groups_;
  // Groups opened beyond the depth limit and not yet closed.
  std::size_t overflow_ = 0;
  bool group_start_ = false;
  // Blanks right after a group's brace, held until it is known whether a
  // destination follows.
  int leading_spaces_ = 0;
  bool ignorable_ = false;
  bool done_ = false;
  bool after_cell_ = false;
  int unicode_skip_ = 0;
  char32_t high_surrogate_ = 0;
  int document_code_page_ = kDefaultCodePage;
  int default_font_ = 0;
  int table_font_ = -1;
  std::map<int, int> font_code_pages_;
  std::string pending_;
  int pending_code_page_ = kDefaultCodePage;
  std::map<int, QStringDecoder> decoders_;
  std::string out_;
};

}  // namespace

bool LooksLikeRtf(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

std::optional<std::string> RtfToText(std::string_view rtf, const RtfLimits& limits) {
  if (!LooksLikeRtf(rtf)) return std::nullopt;
  return RtfReader(rtf, limits).Read();
}

}  // namespace parlotto
