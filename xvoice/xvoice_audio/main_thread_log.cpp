#include "xvoice/xvoice_audio/main_thread_log.h"

#include <QCoreApplication>
#include <QThread>
#include <string>

#include "platform/places/diagnostics.h"

namespace parlotto::xvoice {

void ReportFromAnyThread(const QString& line) {
  std::string text = line.toStdString();
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    ReportDiagnostic(text);
    return;
  }
  QMetaObject::invokeMethod(
      app, [text] { ReportDiagnostic(text); }, Qt::QueuedConnection);
}

}  // namespace parlotto::xvoice
