// parlotto-reg: query, add, delete and export registry keys like reg.exe.
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/registry/reg_value.h"
#include "platform/registry/registry.h"

namespace {

using parlotto::Registry;
using parlotto::RegType;
using parlotto::RegValue;
using parlotto::RootKey;

constexpr char kUsage[] =
    "Usage:\n"
    "  parlotto-reg query KEY [/v NAME | /ve] [/s]\n"
    "  parlotto-reg add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|"
    "REG_DWORD] [/d DATA] [/f]\n"
    "  parlotto-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  parlotto-reg export KEY FILE [/y]\n"
    "KEY is HKCU\\..., HKEY_CURRENT_USER\\..., HKCR\\... or "
    "HKEY_CLASSES_ROOT\\...; FILE - is standard output.\n";
constexpr char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or "
    "value.";
constexpr char kSuccess[] = "The operation completed successfully.";

struct Args {
  std::string op;
  std::vector<std::string> positional;
  bool has_name = false;  // /v or /ve
  std::string name;       // "" for /ve
  bool all_values = false;
  bool recurse = false;
  bool has_type = false;
  std::string type;
  bool has_data = false;
  std::string data;
  bool overwrite = false;
};

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

int ExitWithError(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return 1;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "ERROR: %s\n%s", problem.c_str(), kUsage);
  return 1;
}

// Options may start with '/' or '-'; which ones an operation takes is checked
// here too. Returns an error text, empty on success.
std::string ParseArgs(int argc, char** argv, Args* args) {
  if (argc < 2) return "missing operation";
  args->op = Lower(argv[1]);
  static const std::map<std::string, std::string> kAllowed = {
      {"query", " v ve s "}, {"add", " v ve t d f "}, {"delete", " v ve va f "}, {"export", " y "}};
  auto found = kAllowed.find(args->op);
  if (found == kAllowed.end()) return "unknown operation " + std::string(argv[1]);
  const std::string& allowed = found->second;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    // Only known option names count as options, so that a file such as
    // /tmp/out.reg stays an argument.
    std::string option = arg.size() > 1 ? Lower(arg.substr(1)) : "";
    if ((arg[0] != '/' && arg[0] != '-') ||
        std::string(" v ve va s t d f y ").find(" " + option + " ") == std::string::npos) {
      args->positional.push_back(arg);
      continue;
    }
    if (allowed.find(" " + option + " ") == std::string::npos) {
      return "invalid option " + arg;
    }
    bool takes_value = option == "v" || option == "t" || option == "d";
    if (takes_value && i + 1 >= argc) return arg + " needs a value";
    if (option == "v" || option == "ve") {
      if (args->has_name) return "more than one of /v and /ve";
      args->has_name = true;
      if (option == "v") args->name = argv[++i];
    } else if (option == "va") {
      args->all_values = true;
    } else if (option == "s") {
      args->recurse = true;
    } else if (option == "t") {
      args->has_type = true;
      args->type = argv[++i];
    } else if (option == "d") {
      args->has_data = true;
      args->data = argv[++i];
    } else if (option == "f" || option == "y") {
      args->overwrite = true;
    }
  }
  size_t wanted = args->op == "export" ? 2 : 1;
  if (args->positional.size() != wanted) return "wrong number of arguments";
  if (args->all_values && args->has_name) return "/va with /v or /ve";
  return "";
}

// "HKCU\Software\X" -> the root and the absolute path "\Software\X".
bool ParseKey(const std::string& key, RootKey* root, std::string* path) {
  size_t slash = key.find('\\');
  std::string prefix = Lower(key.substr(0, slash));
  if (prefix == "hkcu" || prefix == "hkey_current_user") {
    *root = RootKey::kCurrentUser;
  } else if (prefix == "hkcr" || prefix == "hkey_classes_root") {
    *root = RootKey::kClassesRoot;
  } else {
    return false;
  }
  *path = slash == std::string::npos ? "\\" : key.substr(slash);
  return true;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  char digits[3];
  for (std::uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), "%02X", byte);
    out += digits;
  }
  return out;
}

std::string DataText(const RegValue& value) {
  char number[32];
  switch (value.type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      return value.text.substr(0, value.text.find('\0'));
    case RegType::kDword:
      std::snprintf(number, sizeof(number), "0x%x", value.dword);
      return number;
    case RegType::kQword:
      if (value.data.size() == 8) {
        unsigned long long q = 0;
        for (int i = 7; i >= 0; --i) q = (q << 8) | value.data[i];
        std::snprintf(number, sizeof(number), "0x%llx", q);
        return number;
      }
      return Hex(value.data);
    case RegType::kMultiSz: {
      std::string text;
      if (!parlotto::Utf16LeToUtf8(value.data, &text)) return Hex(value.data);
      while (!text.empty() && text.back() == '\0') text.pop_back();
      std::string shown;
      for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
      return shown;
    }
    default:
      return Hex(value.data);
  }
}

void PrintValue(const std::string& name, const RegValue& value) {
  std::printf("    %s    %s    %s\n", name.empty() ? "(Default)" : name.c_str(),
              parlotto::RegTypeName(value.type), DataText(value).c_str());
}

std::string FullName(const Registry& reg) {
  std::string name = Registry::RootName(reg.Root());
  if (!reg.CurrentPath().empty()) name += "\\" + reg.CurrentPath();
  return name;
}

void PrintValues(const Registry& reg) {
  for (const std::string& name : reg.GetValueNames()) {
    RegValue value;
    if (reg.GetValue(name, &value)) PrintValue(name, value);
  }
}

void PrintTree(Registry* reg) {
  std::printf("%s\n", FullName(*reg).c_str());
  PrintValues(*reg);
  std::printf("\n");
  const std::string here = "\\" + reg->CurrentPath() + "\\";
  for (const std::string& sub : reg->GetKeyNames()) {
    if (reg->OpenKey(here + sub, false)) PrintTree(reg);
  }
}

int Query(Registry* reg, const std::string& path, const Args& args) {
  if (!reg->OpenKey(path, false)) return ExitWithError(kNotFound);
  RegValue value;
  if (args.has_name && !reg->GetValue(args.name, &value)) {
    return ExitWithError(kNotFound);
  }
  std::printf("\n");
  if (args.has_name) {
    std::printf("%s\n", FullName(*reg).c_str());
    PrintValue(args.name, value);
    std::printf("\n");
  } else if (args.recurse) {
    PrintTree(reg);
  } else {
    std::printf("%s\n", FullName(*reg).c_str());
    PrintValues(*reg);
    std::printf("\n");
    for (const std::string& sub : reg->GetKeyNames()) {
      std::printf("%s\\%s\n", FullName(*reg).c_str(), sub.c_str());
    }
  }
  return 0;
}

// Decimal or 0x-prefixed hexadecimal, 0 to 0xffffffff.
bool ParseDword(const std::string& text, std::uint32_t* value) {
  int base = 10;
  const char* begin = text.c_str();
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    begin += 2;
  }
  const char* end = text.c_str() + text.size();
  std::uint64_t number = 0;
  auto [stop, ec] = std::from_chars(begin, end, number, base);
  if (ec != std::errc() || stop != end || begin == end || number > 0xffffffffULL) {
    return false;
  }
  *value = static_cast<std::uint32_t>(number);
  return true;
}

int Add(Registry* reg, const std::string& path, const Args& args) {
  RegValue value;
  std::string type = args.has_type ? args.type : "REG_SZ";
  for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (type == "REG_SZ" || type == "REG_EXPAND_SZ") {
    value.type = type == "REG_SZ" ? RegType::kSz : RegType::kExpandSz;
    value.text = args.data;
  } else if (type == "REG_DWORD") {
    value.type = RegType::kDword;
    if (args.has_data && !ParseDword(args.data, &value.dword)) {
      return ExitWithError("ERROR: Invalid DWORD data: " + args.data);
    }
  } else {
    return Usage("unsupported type " + args.type);
  }
  if (!reg->OpenKey(path, true)) {
    return ExitWithError("ERROR: Cannot create the key " + path.substr(1));
  }
  // Type or data alone set the default value, as /ve does.
  if (args.has_name || args.has_type || args.has_data) {
    try {
      reg->WriteValue(args.name, value);
    } catch (const parlotto::ERegistryException& e) {
      return ExitWithError(std::string("ERROR: ") + e.what());
    }
  }
  std::printf("%s\n", kSuccess);
  return 0;
}

int Delete(Registry* reg, const std::string& path, const Args& args) {
  if (args.has_name || args.all_values) {
    if (!reg->OpenKey(path, false)) return ExitWithError(kNotFound);
    std::vector<std::string> names;
    if (args.has_name) {
      if (!reg->ValueExists(args.name)) return ExitWithError(kNotFound);
      names.push_back(args.name);
    } else {
      names = reg->GetValueNames();
    }
    for (const std::string& name : names) {
      if (!reg->DeleteValue(name)) {
        return ExitWithError("ERROR: Cannot delete the value " +
                             (name.empty() ? std::string("(Default)") : name));
      }
    }
  } else {
    if (!reg->KeyExists(path)) return ExitWithError(kNotFound);
    if (!reg->DeleteKey(path)) {
      return ExitWithError("ERROR: Cannot delete the key " + path.substr(1));
    }
  }
  std::printf("%s\n", kSuccess);
  return 0;
}

int Export(Registry* reg, const std::string& path, const Args& args) {
  std::string text = reg->ExportKey(path);
  if (text.empty()) return ExitWithError(kNotFound);
  const std::string& file = args.positional[1];
  if (file == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  // "x" refuses an existing file without a window between test and create.
  FILE* out = std::fopen(file.c_str(), args.overwrite ? "wb" : "wbx");
  if (!out) {
    if (errno == EEXIST) {
      return ExitWithError("ERROR: " + file + " exists; use /y to overwrite it.");
    }
    return ExitWithError("ERROR: Cannot write " + file + ": " + std::strerror(errno));
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    std::remove(file.c_str());  // no half-written export
    return ExitWithError("ERROR: Cannot write " + file);
  }
  std::printf("%s\n", kSuccess);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  std::string problem = ParseArgs(argc, argv, &args);
  if (!problem.empty()) return Usage(problem);
  RootKey root;
  std::string path;
  if (!ParseKey(args.positional[0], &root, &path)) {
    return Usage("invalid key " + args.positional[0]);
  }
  Registry reg(root);
  if (args.op == "query") return Query(&reg, path, args);
  if (args.op == "add") return Add(&reg, path, args);
  if (args.op == "delete") return Delete(&reg, path, args);
  return Export(&reg, path, args);
}
