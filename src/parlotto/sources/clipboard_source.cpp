// The clipboard source (-c): the desktop's clipboard (CLIPBOARD, not the
// primary selection) as plain text.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "parlotto/vocato_form.h"

namespace parlotto {
namespace {

// Set while the source runs; see the text-file source.
bool g_reading_clipboard = false;

constexpr const char* kNoTextEnglish = "Ooops, there are no Text in the Clipboard";
constexpr const char* kNoTextGerman =
    "Die Zwischenablage sollte vorgelesen werden, ich habe aber leider keinen Text in der "
    "Zwischenablage gefunden.";

}  // namespace

bool TVocatoForm::ReadClipboard() {
  if (character_loaded && character) character->Play(QStringLiteral("Read"), &current_request_id);
  if (g_reading_clipboard) return false;
  g_reading_clipboard = true;
  {
    struct ClearBusy {
      ~ClearBusy() { g_reading_clipboard = false; }
    } clear_busy;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data != nullptr && !data->formats().isEmpty() && data->hasText()) {
      const QByteArray text = data->text().toUtf8();
      text_to_read.assign(text.constData(), static_cast<std::size_t>(text.size()));
      if (text_to_read.empty()) text_to_read = is_english ? kNoTextEnglish : kNoTextGerman;
      ReadText();
    }
  }
  if (character_loaded && character) {
    character->Play(QStringLiteral("ReadReturn"), &current_request_id);
  }
  return true;
}

}  // namespace parlotto
