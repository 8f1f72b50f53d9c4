// The text of a page that a browser has loaded: the body's rendered text, or
// with frames a blank and the text of each frame of the first level that the
// browser lets us reach.
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/com_check.h"
#include "platform/com_runtime/late_bound.h"

namespace parlotto {
namespace {

// The rendered text of a document's body; false when any step fails.
bool BodyText(IDispatch* document, std::string* text) {
  ComPtr<IDispatch> body = GetObjectProperty(document, "body");
  VARIANT outer_text;
  if (!body || FAILED(GetProperty(body.Get(), "outerText", &outer_text)) ||
      outer_text.vt != VT_BSTR) {
    return false;
  }
  *text = outer_text.bstrVal.toStdString();
  return true;
}

}  // namespace

void TVocatoForm::ReadDocumentText(IDispatch* browser) {
  // Not an HTML document (a folder, a PDF in the browser): nothing to read.
  ComPtr<IDispatch> document = GetObjectProperty(browser, "Document");
  ComPtr<IDispatch> frames = GetObjectProperty(document.Get(), "frames");
  if (!frames) return;
  VARIANT value;
  VARIANT length;
  OLECHECK(GetProperty(frames.Get(), "length", &value));
  OLECHECK(VariantChangeType(&length, value, VT_I4));
  if (length.lVal <= 0) {
    BodyText(document.Get(), &text_to_read);
  } else {
    std::string text;
    for (LONG i = 0; i < length.lVal; ++i) {
      VARIANT frame;
      std::string frame_text;
      if (FAILED(CallMethod(frames.Get(), "item", {VARIANT::UI4(static_cast<std::uint32_t>(i))},
                            &frame)) ||
          !BodyText(GetObjectProperty(DispatchOf(frame).Get(), "document").Get(), &frame_text)) {
        continue;  // the browser keeps this frame to itself
      }
      text += ' ' + frame_text;
    }
    text_to_read = text;
  }
  ReadText();
}

}  // namespace parlotto
