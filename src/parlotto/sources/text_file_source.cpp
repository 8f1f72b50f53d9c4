// The text-file source (-f, and the PDF source's converted file).
#include "parlotto/command_line.h"
#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "text_formats/text_file.h"

namespace parlotto {
namespace {

// Set while the source runs: the read routine processes messages while it
// waits, and a second call arriving then must not start a second reading.
bool g_reading_text_file = false;

}  // namespace

void TVocatoForm::ReadTextFile(const std::string& file_name) {
  if (g_reading_text_file) return;
  g_reading_text_file = true;
  struct ClearBusy {
    ~ClearBusy() { g_reading_text_file = false; }
  } clear_busy;

  if (!NamesAFile(file_name)) return;
  LoadedTextFile loaded = LoadTextFile(file_name);
  if (loaded.failure != TextFileFailure::kNone) {
    WriteDebugLog(TextFileFailureMessage(loaded.failure, file_name));
    return;
  }
  text_to_read = std::move(loaded.text);
  ReadText();
}

}  // namespace parlotto
