#include "platform/registry/reg_text.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/registry/reg_value.h"

namespace parlotto {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool StartsWithIgnoreCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Parses 1 to 8 hex digits, nothing else.
bool ParseHex32(std::string_view s, std::uint32_t* out) {
  if (s.empty() || s.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : s) {
    int digit = HexDigit(c);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  *out = value;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  return QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

// Old 8-bit text (REGEDIT4) as UTF-8. Text that is valid UTF-8 already stays
// as it is; anything else is taken as Windows-1252, the code page German
// Windows wrote it in (Latin-1 should Qt lack that decoder).
std::string EightBitToUtf8(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
  QStringDecoder windows1252("Windows-1252");
  const QByteArray utf8 =
      (windows1252.isValid() ? QString(windows1252(bytes)) : QString::fromLatin1(bytes)).toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

// A quoted name or string starting at s[0] == '"'; only \\ and \" are
// escapes, any other backslash is kept as it is.
bool ParseQuoted(std::string_view* s, std::string* out) {
  if (s->empty() || s->front() != '"') return false;
  out->clear();
  for (size_t i = 1; i < s->size(); ++i) {
    char c = (*s)[i];
    if (c == '"') {
      s->remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < s->size() && ((*s)[i + 1] == '\\' || (*s)[i + 1] == '"')) {
      c = (*s)[++i];
    }
    out->push_back(c);
  }
  return false;
}

// Comma-separated bytes of a hex: value, continuation already joined.
bool ParseHexBytes(std::string_view s, std::vector<std::uint8_t>* out) {
  s = TrimRight(TrimLeft(s));
  if (s.empty()) return true;
  if (s.back() == ',') s.remove_suffix(1);
  while (true) {
    size_t comma = s.find(',');
    std::string_view token = TrimRight(TrimLeft(s.substr(0, comma)));
    std::uint32_t byte = 0;
    if (token.size() > 2 || !ParseHex32(token, &byte)) return false;
    out->push_back(static_cast<std::uint8_t>(byte));
    if (comma == std::string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

// The data after "=": a string, dword: or hex[(N)]: form. hex(1) and hex(2)
// data are UTF-16LE, in a REGEDIT4 file (`eight_bit`) 8-bit text.
bool ParseData(std::string_view data, bool eight_bit, RegValue* value) {
  data = TrimLeft(data);
  if (!data.empty() && data.front() == '"') {
    if (!ParseQuoted(&data, &value->text)) return false;
    value->type = RegType::kSz;
    return TrimRight(data).empty();
  }
  if (StartsWithIgnoreCase(data, "dword:")) {
    value->type = RegType::kDword;
    return ParseHex32(TrimRight(data.substr(6)), &value->dword);
  }
  if (!StartsWithIgnoreCase(data, "hex")) return false;
  data.remove_prefix(3);
  std::uint32_t type = static_cast<std::uint32_t>(RegType::kBinary);
  if (!data.empty() && data.front() == '(') {
    size_t close = data.find(')');
    if (close == std::string_view::npos || !ParseHex32(data.substr(1, close - 1), &type)) {
      return false;
    }
    data.remove_prefix(close + 1);
  }
  if (data.empty() || data.front() != ':') return false;
  std::vector<std::uint8_t> bytes;
  if (!ParseHexBytes(data.substr(1), &bytes)) return false;
  value->type = static_cast<RegType>(type);
  switch (value->type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      if (eight_bit) {
        if (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
        value->text = EightBitToUtf8(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        return true;
      }
      return Utf16LeToUtf8(bytes, &value->text);
    case RegType::kDword:
      // Any other length has no place in a DWORD and is not kept.
      if (bytes.size() != 4) return false;
      value->dword = static_cast<std::uint32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                                (static_cast<std::uint32_t>(bytes[3]) << 24));
      return true;
    default:
      value->data = std::move(bytes);
      return true;
  }
}

// The key names of a section path; false when it is not under `root_name`
// or names an impossible key.
bool ParseSection(std::string_view path, std::string_view root_name,
                  std::vector<std::string>* names) {
  if (!StartsWithIgnoreCase(path, root_name)) return false;
  path.remove_prefix(root_name.size());
  if (path.empty()) return true;
  if (path.front() != '\\') return false;
  path.remove_prefix(1);
  while (!path.empty()) {
    size_t slash = path.find('\\');
    std::string_view name = path.substr(0, slash);
    if (name.empty()) return false;
    names->emplace_back(name);
    if (names->size() > kMaxKeyDepth) return false;
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return true;
}

class Parser {
 public:
  Parser(std::string_view text, std::string_view root_name) : text_(text), root_name_(root_name) {}

  ParsedHive Run() {
    result_.root = std::make_unique<RegKey>("");
    bool odd_length = false;
    if (text_.substr(0, 2) == "\xFF\xFE") {
      // The registry editor's default export.
      odd_length = text_.size() % 2 != 0;
      utf8_ = Utf16LeBytesToUtf8(text_.substr(2));
      text_ = utf8_;
    } else if (text_.substr(0, 3) == "\xEF\xBB\xBF") {
      text_.remove_prefix(3);
    }
    // An empty file (e.g. made by touch) is an empty hive, not a damaged one.
    if (AllBlank() && !odd_length) return std::move(result_);
    std::string_view line;
    if (NextLine(&line)) {
      std::string_view header = TrimRight(line);
      if (header == "REGEDIT4") {
        eight_bit_ = true;
        // The header is ASCII, so the position stays right.
        utf8_ = EightBitToUtf8(text_);
        text_ = utf8_;
      } else if (header != kRegHeader) {
        Bad("no \"" + std::string(kRegHeader) + "\" header");
        ParseLine(line);
      }
    }
    while (NextLine(&line)) ParseLine(line);
    if (odd_length) Bad("the file ends in the middle of a UTF-16 character");
    return std::move(result_);
  }

 private:
  bool AllBlank() const {
    for (char c : text_.substr(pos_)) {
      if (!IsBlank(c) && c != '\r' && c != '\n') return false;
    }
    return true;
  }

  bool NextLine(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++line_number_;
    return true;
  }

  void Bad(const std::string& problem) { BadAt(line_number_, problem); }
  void BadAt(std::size_t line, const std::string& problem) {
    if (line == last_bad_line_) return;
    last_bad_line_ = line;
    ++result_.bad_lines;
    if (result_.first_bad_line == 0) {
      result_.first_bad_line = line;
      result_.first_problem = problem;
    }
  }

  void ParseLine(std::string_view raw) {
    std::string_view line = TrimLeft(raw);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (TrimRight(line).empty() || line.front() == ';') return;
    if (line.front() == '[') {
      ParseSectionLine(line);
    } else if (line.front() == '"' || line.front() == '@') {
      ParseValueLine(line);
    } else {
      Bad("neither a section nor a value");
    }
  }

  void ParseSectionLine(std::string_view line) {
    // A key name may end in blanks or hold ']', so take the line up to its
    // last ']' and only trim when the line does not end with one.
    if (line.back() != ']') line = TrimRight(line);
    std::vector<std::string> names;
    if (line.size() < 2 || line.back() != ']' ||
        !ParseSection(line.substr(1, line.size() - 2), root_name_, &names)) {
      current_ = nullptr;
      Bad("a section that is no key of " + std::string(root_name_));
      return;
    }
    current_ = result_.root->Create(names, nullptr);
  }

  void ParseValueLine(std::string_view line) {
    std::size_t start_line = line_number_;
    std::string name;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else if (!ParseQuoted(&rest, &name)) {
      Bad("a value name without its closing quote");
      return;
    }
    rest = TrimLeft(rest);
    if (rest.empty() || rest.front() != '=') {
      Bad("a value name without \"=\"");
      return;
    }
    rest.remove_prefix(1);
    std::string joined;
    if (StartsWithIgnoreCase(TrimLeft(rest), "hex")) {
      if (!JoinContinuation(rest, &joined)) {
        BadAt(start_line, "a value cut off by the end of the file");
        return;
      }
      rest = joined;
    }
    if (!current_) {
      BadAt(start_line, "a value outside any section");
      return;
    }
    RegValue value;
    if (!ParseData(rest, eight_bit_, &value)) {
      BadAt(start_line, "value data that cannot be read");
      return;
    }
    current_->SetValue(name, value);
  }

  // Joins hex data continued with a trailing backslash; false when the text
  // ends in the middle of it.
  bool JoinContinuation(std::string_view first, std::string* joined) {
    std::string_view part = TrimRight(first);
    while (!part.empty() && part.back() == '\\') {
      part.remove_suffix(1);
      joined->append(part);
      std::string_view next;
      if (!NextLine(&next)) return false;
      part = TrimRight(TrimLeft(next));
    }
    joined->append(part);
    return true;
  }

  std::string_view text_;
  // text_'s storage when the file had to be converted to UTF-8.
  std::string utf8_;
  std::string_view root_name_;
  bool eight_bit_ = false;
  size_t pos_ = 0;
  std::size_t line_number_ = 0;
  std::size_t last_bad_line_ = 0;
  RegKey* current_ = nullptr;
  ParsedHive result_;
};

void AppendQuoted(const std::string& text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

// hex bytes wrapped like regedit: lines of at most ~80 columns continued
// with a backslash.
void AppendHex(const std::string& prefix, const std::vector<std::uint8_t>& bytes,
               std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  out->append(prefix);
  size_t column = prefix.size();
  for (size_t i = 0; i < bytes.size(); ++i) {
    out->push_back(kDigits[bytes[i] >> 4]);
    out->push_back(kDigits[bytes[i] & 0xf]);
    column += 2;
    if (i + 1 < bytes.size()) {
      out->push_back(',');
      ++column;
      if (column > 76) {
        out->append("\\\n  ");
        column = 2;
      }
    }
  }
}

void AppendValue(const RegKey::NamedValue& entry, std::string* out) {
  std::string start;
  if (entry.name.empty()) {
    start = "@";
  } else {
    AppendQuoted(entry.name, &start);
  }
  start += '=';
  const RegValue& value = entry.value;
  switch (value.type) {
    case RegType::kSz:
      // A line break or zero cannot sit inside a quoted string.
      if (value.text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos) {
        out->append(start);
        AppendQuoted(value.text, out);
      } else {
        AppendHex(start + "hex(1):", Utf8ToUtf16Le(value.text), out);
      }
      break;
    case RegType::kExpandSz:
      AppendHex(start + "hex(2):", Utf8ToUtf16Le(value.text), out);
      break;
    case RegType::kDword: {
      char digits[16];
      std::snprintf(digits, sizeof(digits), "dword:%08x", value.dword);
      out->append(start);
      out->append(digits);
      break;
    }
    case RegType::kBinary:
      AppendHex(start + "hex:", value.data, out);
      break;
    default: {
      char type[24];
      std::snprintf(type, sizeof(type), "hex(%x):", static_cast<unsigned>(value.type));
      AppendHex(start + type, value.data, out);
      break;
    }
  }
  out->push_back('\n');
}

void AppendSection(const RegKey& key, const std::string& section, std::string* out) {
  out->append("[").append(section).append("]\n");
  for (const RegKey::NamedValue& entry : key.Values()) AppendValue(entry, out);
  out->push_back('\n');
}

void AppendTree(const RegKey& key, const std::string& section, std::string* out) {
  AppendSection(key, section, out);
  for (const auto& sub : key.Subkeys()) {
    AppendTree(*sub, section + "\\" + sub->Name(), out);
  }
}

std::string Header() { return std::string(kRegHeader) + "\n\n"; }

}  // namespace

ParsedHive ParseRegText(std::string_view text, std::string_view root_name) {
  return Parser(text, root_name).Run();
}

std::string DescribeDamage(const ParsedHive& parsed) {
  if (parsed.first_bad_line == 0) return "";
  std::string text = "line " + std::to_string(parsed.first_bad_line);
  if (parsed.bad_lines > 1) {
    std::size_t more = parsed.bad_lines - 1;
    text += " (and " + std::to_string(more) + (more == 1 ? " more line)" : " more lines)");
  }
  return text + " could not be read: " + parsed.first_problem;
}

std::string FormatHive(const RegKey& root, std::string_view root_name) {
  std::string out = Header();
  std::string root_section(root_name);
  if (!root.Values().empty()) AppendSection(root, root_section, &out);
  for (const auto& sub : root.Subkeys()) {
    AppendTree(*sub, root_section + "\\" + sub->Name(), &out);
  }
  return out;
}

std::string FormatExport(const RegKey& key, const std::string& section) {
  std::string out = Header();
  AppendTree(key, section, &out);
  return out;
}

}  // namespace parlotto
