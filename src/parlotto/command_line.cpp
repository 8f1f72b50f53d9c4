#include "parlotto/command_line.h"

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
    {"--dbus-service", rmService, OperandField::kNone, nullptr},
};

}  // namespace

const Switch* FindSwitch(const std::vector<std::string>& args) {
  if (args.empty()) return nullptr;
  for (const Switch& entry : kSwitches) {
    if (args[0] == entry.name) return &entry;
  }
  return nullptr;
}

InfoRequest FindInfoRequest(const std::vector<std::string>& args) {
  if (args.size() != 1) return InfoRequest::kNone;
  if (args[0] == "--help") return InfoRequest::kHelp;
  if (args[0] == "--version") return InfoRequest::kVersion;
  return InfoRequest::kNone;
}

std::string UsageText() {
  return R"(Aufruf: parlotto [SCHALTER [ARGUMENT]]

Parlotto liest einen Text vor und beendet sich danach von selbst.
Nur das erste Argument wählt, was gelesen wird; das zweite ist sein Operand.
Schreibweise genau wie hier, Groß- und Kleinschreibung zählen.

  -f DATEI        eine Text- oder RTF-Datei vorlesen
  -doc DATEI      ein Word- oder ODF-Dokument vorlesen
  -pdf DATEI      ein PDF-Dokument vorlesen
  -html DATEI     eine HTML-Datei vorlesen
  -wget ADRESSE   eine Webseite laden und vorlesen
  -d "TEXT"       den angegebenen Text vorlesen
  -c              den Text der Zwischenablage vorlesen
  -e              die Seite des Browserfensters im Vordergrund vorlesen
                  (so auch ohne Argument oder mit einem unbekannten)
  /Automation     auf Aufrufer über die Automatisierung warten
  --dbus-service  als Vorlesedienst org.parlotto.Parlotto auf dem Sitzungsbus
                  laufen; der Bus startet ihn bei Bedarf selbst
  --help          diese Hilfe zeigen
  --version       die Version zeigen

Einstellungen: der Schlüssel HKEY_CURRENT_USER\Software\Zentravol\Agent
in $XDG_CONFIG_HOME/parlotto/user.reg (sonst ~/.config/parlotto/user.reg);
zu ändern mit dem Einstellungsprogramm parlotto-settings
(im Menü „Parlotto-Einstellungen“; im Build-Verzeichnis VSettings).

Protokoll: vocatodebug.log in $TEMP (sonst $TMPDIR, sonst /tmp).

Umgebungsvariablen:
  PARLOTTO_USER_HIVE    eine andere Einstellungsdatei
  PARLOTTO_SYSTEM_DIR   ein anderes Systemverzeichnis (Figuren, Sprachausgabe)
  PARLOTTO_AUDIO        default, null (stumm) oder wav:DATEI
  XDG_CACHE_HOME        Ablage für temp.txt, wenn das Programmverzeichnis
                        schreibgeschützt ist
)";
}

std::string VersionText() { return std::string("parlotto ") + PARLOTTO_VERSION + "\n"; }

std::string Operand(const std::vector<std::string>& args) {
  return args.size() >= 2 ? args[1] : std::string();
}

bool NamesAFile(const std::string& name) {
  if (name.empty()) return false;
  std::error_code ec;
  auto status = std::filesystem::status(name, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

}  // namespace parlotto
