#include "officesvr/word_objects.h"

#include "contracts/office/word_ids.h"
#include "officesvr/word_typelib.h"
#include "platform/com/error_info.h"

namespace parlotto::office {
namespace {

HRESULT Fail(HRESULT hr, const IID& iid, const QString& description) {
  return FailWithErrorInfo(hr, QStringLiteral("Word.Application"), iid, description);
}

HRESULT OpenFailure(DocumentFailure failure, const QString& name, const std::string& detail) {
  const QString why = QString::fromStdString(detail);
  switch (failure) {
    case DocumentFailure::kCannotOpen:
      return Fail(
          WORD_E_FILENOTFOUND, IID_WordDocuments,
          QStringLiteral("Die Datei \"%1\" kann nicht geöffnet werden (%2).").arg(name, why));
    case DocumentFailure::kUnsupportedFormat:
      return Fail(WORD_E_UNSUPPORTED, IID_WordDocuments,
                  QStringLiteral("Das Format der Datei \"%1\" wird nicht unterstützt (%2).")
                      .arg(name, why));
    case DocumentFailure::kPasswordProtected:
      return Fail(
          WORD_E_PASSWORD, IID_WordDocuments,
          QStringLiteral("Das Dokument \"%1\" ist durch ein Kennwort geschützt.").arg(name));
    case DocumentFailure::kTooLarge:
      return Fail(WORD_E_OUTOFMEMORY, IID_WordDocuments,
                  QStringLiteral("Das Dokument \"%1\" ist zu groß (%2).").arg(name, why));
    case DocumentFailure::kDamaged:
    case DocumentFailure::kNone:
      break;
  }
  return Fail(WORD_E_DAMAGED, IID_WordDocuments,
              QStringLiteral("Das Dokument \"%1\" ist beschädigt (%2).").arg(name, why));
}

// A document or range of a document that some client has closed.
HRESULT Gone(const IID& iid) {
  return Fail(RPC_E_DISCONNECTED, iid, QStringLiteral("Das Dokument wurde geschlossen."));
}

}  // namespace

WordObject::WordObject(const IID& iid, std::shared_ptr<DocumentSession> session)
    : AutomationObject(iid, WordTypeInfo(iid)), session_(std::move(session)) {}

WordApplication::WordApplication(IUnknown* outer, std::shared_ptr<DocumentSession> session)
    : WordObject(IID_WordApplication, std::move(session)) {
  (void)outer;
}

HRESULT WordApplication::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  switch (func.memid) {
    case DISPID_Application_Documents:
      args.back() = New<WordDocuments>(session_);
      return S_OK;
    case DISPID_Application_ActiveDocument:
      if (session_->Active() == 0) {
        return Fail(WORD_E_NODOCUMENT, IID_WordApplication,
                    QStringLiteral("Dieser Befehl ist nicht verfügbar, weil kein Dokument geöffnet "
                                   "ist."));
      }
      args.back() = New<WordDocument>(session_, session_->Active());
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

WordDocuments::WordDocuments(IUnknown* outer, std::shared_ptr<DocumentSession> session)
    : WordObject(IID_WordDocuments, std::move(session)) {
  (void)outer;
}

HRESULT WordDocuments::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  if (func.memid != DISPID_Documents_Open) return DISP_E_MEMBERNOTFOUND;
  // Every option is accepted and ignored: documents are opened to be read,
  // never changed, and nothing is converted on the caller's behalf.
  const VARIANT& file_name = args.front();
  if (file_name.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
  DocumentSession::Opened opened = session_->Open(file_name.bstrVal);
  if (opened.failure != DocumentFailure::kNone) {
    return OpenFailure(opened.failure, file_name.bstrVal, opened.detail);
  }
  args.back() = New<WordDocument>(session_, opened.id);
  return S_OK;
}

WordDocument::WordDocument(IUnknown* outer, std::shared_ptr<DocumentSession> session, int id)
    : WordObject(IID_WordDocument, std::move(session)), id_(id) {
  (void)outer;
}

HRESULT WordDocument::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  if (!session_->IsOpen(id_)) return Gone(IID_WordDocument);
  switch (func.memid) {
    case DISPID_Document_Content:
      args.back() = New<WordRange>(session_, id_);
      return S_OK;
    case DISPID_Document_Close:
      // Nothing is ever changed, so there is nothing to save or route.
      session_->Close(id_);
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

WordRange::WordRange(IUnknown* outer, std::shared_ptr<DocumentSession> session, int id)
    : WordObject(IID_WordRange, std::move(session)), id_(id) {
  (void)outer;
}

HRESULT WordRange::InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) {
  if (func.memid != DISPID_Range_Text) return DISP_E_MEMBERNOTFOUND;
  const std::string* text = session_->Text(id_);
  if (text == nullptr) return Gone(IID_WordRange);
  args.back() = VARIANT::Bstr(QString::fromStdString(*text));
  return S_OK;
}

HRESULT WordClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return ComObject::Create<WordApplication>(nullptr, iid, out);
}

}  // namespace parlotto::office
