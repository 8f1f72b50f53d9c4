// The web-page source: a hidden browser of our own loads the file or
// address while the wait dialog shows its status; then its page is read.
#include <QFileInfo>
#include <QString>
#include <exception>

#include "contracts/browser/browser_ids.h"
#include "parlotto/debug_log.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/vocato_form.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/com_check.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/loop/clock.h"
#include "platform/loop/window_messages.h"

namespace parlotto {
namespace {

constexpr int kLoadingPasses = 200;
constexpr int kPassMs = 100;

const QString kWaitFirst = QStringLiteral(
    "<FONT face=\"Tahoma\"><B><P align=\"center\">Warten Sie bitte,<br>bis Webseite geladen "
    "ist..</P></B></FONT>");

// The status text is the page's, not ours: it must not open tags in the label.
QString LoadingText(const QString& status) {
  QString plain = status;
  plain.replace('&', QLatin1String("&amp;"))
      .replace('<', QLatin1String("&lt;"))
      .replace('>', QLatin1String("&gt;"));
  return QStringLiteral("<FONT face=\"Tahoma\"><B><P align=\"center\">") + plain +
         QStringLiteral("</P></B></FONT>");
}

// A file of ours by its full name: a browser that runs already would look
// for a relative name in its own directory.
QString Location(const std::string& address) {
  const QString name = QString::fromStdString(address);
  const QFileInfo file(name);
  return !name.contains(QLatin1String("://")) && file.exists() ? file.absoluteFilePath() : name;
}

void DestroyWaitDialog() {
  if (frmWarten == nullptr) return;
  frmWarten->hide();
  delete frmWarten;
  frmWarten = nullptr;
}

}  // namespace

void TVocatoForm::ReadWebPage(const std::string& address) {
  ComPtr<IDispatch> browser;
  if (FAILED(CoCreateInstance(browser::CLSID_InternetExplorer, nullptr,
                              CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              browser.ReceiveVoid())) ||
      !browser) {
    return;
  }
  try {
    OLECHECK(PutProperty(browser.Get(), "Visible", VARIANT::Bool(false)));

    DestroyWaitDialog();
    frmWarten = new TfrmWarten;
    frmWarten->SetText(QString());
    frmWarten->SetText(kWaitFirst);
    frmWarten->setWindowTitle(QStringLiteral("Warte auf die Webseite"));
    frmWarten->show();

    OLECHECK(CallMethod(
        browser.Get(), "Navigate2",
        {VARIANT::Bstr(Location(address)), VARIANT(), VARIANT(), VARIANT(), VARIANT::Missing()}));
    // A page still loading after the last pass is read as far as it got.
    for (int pass = 0; pass < kLoadingPasses; ++pass) {
      Sleep(kPassMs);
      VARIANT busy;
      VARIANT status;
      OLECHECK(GetProperty(browser.Get(), "Busy", &busy));
      OLECHECK(GetProperty(browser.Get(), "StatusText", &status));
      if (frmWarten != nullptr) frmWarten->SetText(LoadingText(status.bstrVal));
      ProcessMessages();
      // A stop asked for meanwhile (a quit, a new request to the service)
      // need not wait for a slow page.
      if (stop_flag) break;
      if (busy.vt == VT_BOOL && busy.boolVal == VARIANT_FALSE) break;
    }
    DestroyWaitDialog();
    if (!stop_flag) ReadDocumentText(browser.Get());
  } catch (const std::exception& error) {
    WriteDebugLog(std::string("IE ???") + error.what());
  }
  // Also when loading failed half-way: a dialog left up would outlive the
  // program's reading.
  DestroyWaitDialog();
}

}  // namespace parlotto
