// The Word source: the office server opens the document and gives its whole
// text; the program never reads the file format itself.
#include <QFileInfo>
#include <exception>

#include "parlotto/debug_log.h"
#include "parlotto/sources/word_application.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/com_check.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/gui/dialogs.h"

namespace parlotto {
namespace {

constexpr const char* kWordFailed =
    "Es sollte ein Word-Dokument vorgelesen werden,\n"
    "Word ist aber scheinbar nicht installiert.\n"
    " Oder es ist ein anderer Fehler bei der Automatisierung von Word aufgetreten!";

std::vector<VARIANT> Omitted(std::size_t count) { return {count, VARIANT::Missing()}; }

ComPtr<IDispatch> ActiveDocument(IDispatch* application) {
  VARIANT document;
  OLECHECK(GetProperty(application, "ActiveDocument", &document));
  ComPtr<IDispatch> active = DispatchOf(document);
  OLE_REQUIRE(active);
  return active;
}

}  // namespace

void TVocatoForm::ReadWordDocument() {
  TWordApplication WordApplication1;
  WordApplication1.AutoQuit = false;
  try {
    WordApplication1.Connect();
    IDispatch* application = WordApplication1.Application();

    // The server resolves names in its own directory, not ours.
    const VARIANT file_name =
        VARIANT::Bstr(QFileInfo(QString::fromStdString(word_document_name)).absoluteFilePath());
    VARIANT documents_value;
    OLECHECK(GetProperty(application, "Documents", &documents_value));
    ComPtr<IDispatch> documents = DispatchOf(documents_value);
    OLE_REQUIRE(documents);
    std::vector<VARIANT> open_args = Omitted(10);
    open_args[0] = file_name;
    VARIANT opened;
    OLECHECK(CallMethod(documents.Get(), "Open", open_args, &opened));
    opened.Clear();

    {
      ComPtr<IDispatch> document = ActiveDocument(application);
      VARIANT content_value;
      OLECHECK(GetProperty(document.Get(), "Content", &content_value));
      ComPtr<IDispatch> content = DispatchOf(content_value);
      OLE_REQUIRE(content);
      VARIANT text;
      OLECHECK(GetProperty(content.Get(), "Text", &text));
      if (text.vt != VT_BSTR) ThrowComCallError(DISP_E_TYPEMISMATCH, "Text", __FILE__, __LINE__);
      text_to_read = text.bstrVal.toStdString();
    }

    // Closed before the reading, which may take long.
    ComPtr<IDispatch> document = ActiveDocument(application);
    OLECHECK(CallMethod(document.Get(), "Close", Omitted(3)));
  } catch (const std::exception& error) {
    ShowErrorDialog(kWordFailed);
    WriteDebugLog(error.what());
    return;
  }
  ReadText();
}

}  // namespace parlotto
