#include "app/command_line.h"

#include <filesystem>
#include <system_error>

namespace parlotto {
namespace {

constexpr Switch kSwitches[] = {
    {"-f", rmTextFile, OperandField::kTextFileName, "Leider wurde die Textdatei nicht gefunden."},
    {"-doc", rmWordDocument, OperandField::kWordDocumentName,
     "Leider wurde das Dokument nicht gefunden."},
    {"-pdf", rmPdfDocument, OperandField::kPdfDocumentName,
     "Leider wurde das Dokument nicht gefunden."},
    {"-html", rmWebPage, OperandField::kWebAddress, "Leider wurde die HTML-Datei nicht gefunden."},
    {"-wget", rmWebPage, OperandField::kWebAddress, nullptr},
    {"-d", rmCommandLineText, OperandField::kTextToRead, nullptr},
    {"-e", rmBrowserWindow, OperandField::kNone, nullptr},
    {"-c", rmClipboard, OperandField::kNone, nullptr},
    {"/Automation", rmAutomation, OperandField::kNone, nullptr},
};

}  // namespace

const Switch* FindSwitch(const std::vector<std::string>& args) {
  if (args.empty()) return nullptr;
  for (const Switch& entry : kSwitches) {
    if (args[0] == entry.name) return &entry;
  }
  return nullptr;
}

std::string Operand(const std::vector<std::string>& args) {
  return args.size() >= 2 ? args[1] : std::string();
}

bool FileExists(const std::string& name) {
  if (name.empty()) return false;
  std::error_code ec;
  auto status = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace parlotto
