// The PDF source: the converter library turns the document into text, the
// text-file source reads the text.
#include "parlotto/sources/pdf_source.h"

#include <filesystem>
#include <system_error>

#include "contracts/pdf_converter/parse_pdf.h"
#include "parlotto/debug_log.h"
#include "parlotto/sources/pdf_converter.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/vocato_form.h"
#include "platform/gui/dialogs.h"
#include "platform/places/new_files.h"
#include "platform/places/places.h"

namespace parlotto {
namespace {

namespace fs = std::filesystem;
using namespace pdf_converter;

// A bound on the conversion: a 300-page document takes seconds, a converter
// caught in a loop would take forever. Not one of the program's designed
// waits, so the test clock leaves it alone.
constexpr int kConversionLimitMs = 120000;

constexpr const char* kOutputName = "temp.txt";
constexpr const char* kConversionFailedMessage =
    "Beim konvertieren der PDF-Datei ist en Fehler aufgeteten!";

// A new empty file of our own beside "temp.txt"; "" when none can be made.
std::string MakePrivateFile(const std::string& dir, const char* purpose) {
  return parlotto::MakePrivateFile(dir + "." + kOutputName + "." + purpose + ".");
}

void RemoveQuietly(const std::string& name) {
  std::error_code ec;
  if (!name.empty()) fs::remove(name, ec);
}

// Puts a copy of our text in place as "temp.txt" for whoever relies on it,
// in one step, so that nobody sees half of it or a mix of two instances'.
void PublishAsTempTxt(const std::string& text, const std::string& dir) {
  const std::string staging = MakePrivateFile(dir, "new");
  std::error_code ec;
  if (staging.empty()) return;
  fs::copy_file(text, staging, fs::copy_options::overwrite_existing, ec);
  // Private while it is written, then as open as the user's umask allows.
  if (!ec) fs::permissions(staging, static_cast<fs::perms>(NewFileMode()), ec);
  if (!ec) fs::rename(staging, dir + kOutputName, ec);
  if (ec) RemoveQuietly(staging);
}

// Removes the private text file however the reading ends.
class PrivateText {
 public:
  explicit PrivateText(std::string name) : name_(std::move(name)) {}
  ~PrivateText() { RemoveQuietly(name_); }
  PrivateText(const PrivateText&) = delete;
  PrivateText& operator=(const PrivateText&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

void HideWaitDialog() {
  if (frmWarten != nullptr) frmWarten->hide();
}

bool IsEmptyFile(const std::string& name) {
  std::error_code ec;
  return fs::file_size(name, ec) == 0 && !ec;
}

// The program's directory first, then the usual search of the loader.
std::string LibraryPath() {
  const std::string beside = ProgramDir() + kLibraryName;
  std::error_code ec;
  return fs::exists(beside, ec) ? beside : std::string(kLibraryName);
}

}  // namespace

void ConvertPdfAndRead(const std::string& library, const std::string& pdf,
                       const std::string& work_dir, int limit_ms,
                       const std::function<void(const std::string& text_file)>& read) {
  PdfConverter converter(library);
  if (!converter.Loaded()) return;
  if (!converter.FindParsePdf()) {
    ShowMessage("Can't locate the method ParsePDF");
    return;
  }
  // Each run converts into a file of its own: two instances that convert at
  // once would otherwise read each other's text from "temp.txt".
  const PrivateText text(MakePrivateFile(work_dir, "pdf"));
  if (text.name().empty()) {
    WriteDebugLog("PDF: no file for the text in " + work_dir);
    HideWaitDialog();
    return;
  }
  const PdfConverter::Outcome outcome = converter.ParsePdf(pdf, text.name(), limit_ms);
  HideWaitDialog();
  if (!outcome.result) {
    WriteDebugLog("PDF converter " + outcome.failure + ": " + pdf);
    // A converter that crashed or ran out of time failed like one that said
    // so; only a user who is quitting needs no message.
    if (!outcome.stopped) ShowMessage(kConversionFailedMessage);
    return;
  }
  switch (*outcome.result) {
    case kConverted:
      if (IsEmptyFile(text.name())) WriteDebugLog("PDF without text: " + pdf);
      PublishAsTempTxt(text.name(), work_dir);
      read(text.name());
      break;
    case kCannotOpen:
      ShowMessage("Can't open input pdf file !");
      break;
    case kNotFound:
      ShowMessage("Die Datei wurde nicht gefunden!");
      break;
    case kConversionFailed:
      ShowMessage(kConversionFailedMessage);
      break;
    default:
      break;
  }
}

void TVocatoForm::ReadPdfDocument() {
  // However the conversion ends, the program ends after it and the wait
  // dialog goes.
  struct EndOfSource {
    TVocatoForm& form;
    ~EndOfSource() {
      form.ScheduleEnd(false);
      form.CloseWaitDialog();
    }
  } end_of_source{*this};
  ConvertPdfAndRead(LibraryPath(), pdf_document_name, WorkFileDir(), kConversionLimitMs,
                    [this](const std::string& text_file) { ReadTextFile(text_file); });
}

}  // namespace parlotto
