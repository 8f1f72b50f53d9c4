#include "reader_service/reader_service.h"

#include <unistd.h>

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QUrl>
#include <QVariantMap>
#include <cerrno>
#include <utility>

#include "automation/server_module.h"
#include "launch_choice/launch_choice.h"
#include "parlotto/command_line.h"
#include "parlotto/debug_log.h"
#include "parlotto/vocato_form.h"
#include "platform/loop/clock.h"
#include "platform/safe_open/safe_open.h"

namespace parlotto {
namespace {

constexpr const char* kInterface = "org.parlotto.Reader1";
constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";
constexpr const char* kFileNotFound = "org.freedesktop.DBus.Error.FileNotFound";
constexpr const char* kAccessDenied = "org.freedesktop.DBus.Error.AccessDenied";
constexpr const char* kEnding = "org.parlotto.Reader1.Error.Ending";

// Said instead of reading when nothing is marked, as the clipboard source
// says it of an empty clipboard: a shortcut's user hears no error reply.
constexpr const char* kNothingMarked =
    "Die Auswahl sollte vorgelesen werden, es ist aber kein Text markiert.";

const Switch& SwitchNamed(const char* name) {
  const Switch* entry = FindSwitch({name});
  Q_ASSERT(entry != nullptr);
  return *entry;
}

}  // namespace

ReaderService::ReaderService(TVocatoForm& form) : form_(form) {
  idle_.setSingleShot(true);
  connect(&idle_, &QTimer::timeout, this, [this] {
    if (reading_ || waiting_) return;
    // A script's objects keep the process, as they keep any start that
    // serves them: their texts are read here too and must not be cut.
    const TServerModule* module = TServerModule::Instance();
    if (form_.Reading() || (module != nullptr && module->LockCount() > 0)) {
      idle_.start(ScaledMs(kIdleMs));
      return;
    }
    End();
  });
}

ReaderService::~ReaderService() { Withdraw(); }

void ReaderService::Withdraw() {
  if (!offered_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(kBusName);
  bus.unregisterObject(kObjectPath);
  offered_ = false;
}

bool ReaderService::Offer() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    WriteDebugLog("Reading service: no session bus");
    return false;
  }
  if (!bus.registerObject(kObjectPath, this,
                          QDBusConnection::ExportScriptableSlots |
                              QDBusConnection::ExportScriptableSignals |
                              QDBusConnection::ExportScriptableProperties)) {
    WriteDebugLog("Reading service: the object path is taken");
    return false;
  }
  if (!bus.registerService(kBusName)) {
    WriteDebugLog(std::string("Reading service: another process has ") + kBusName);
    bus.unregisterObject(kObjectPath);
    return false;
  }
  offered_ = true;
  // Started for a request that may never come (its caller died, or someone
  // ran the service by hand): nobody would end the process otherwise.
  idle_.start(ScaledMs(kFirstRequestWaitMs));
  return true;
}

void ReaderService::ReadText(const QString& text) {
  if (!Accepting()) return;
  const QByteArray utf8 = text.toUtf8();
  if (text.trimmed().isEmpty()) return Fail(kInvalidArgs, QStringLiteral("Der Text ist leer."));
  if (utf8.size() > kMaxTextBytes) {
    return Fail(
        kInvalidArgs,
        QStringLiteral("Der Text ist zu lang: höchstens %1 Bytes (UTF-8).").arg(kMaxTextBytes));
  }
  Ask({&SwitchNamed("-d"), utf8.toStdString(), QStringLiteral("text")});
}

void ReaderService::ReadFile(const QString& path) {
  if (Accepting()) ReadLocalFile(path);
}

void ReaderService::ReadLocalFile(const QString& path) {
  if (path.isEmpty()) return Fail(kInvalidArgs, QStringLiteral("Es wurde keine Datei angegeben."));
  // The service's working directory is not the caller's.
  if (!path.startsWith(QLatin1Char('/'))) {
    return Fail(kInvalidArgs, QStringLiteral("Der Pfad muss absolut sein: %1").arg(path));
  }
  // Opened once to know it is a plain file this user may read; a FIFO or a
  // device would make a source wait for ever.
  const int fd = OpenRegularFile(path.toStdString());
  const int error = errno;
  if (fd < 0) {
    if (error == ENOENT || error == ENOTDIR) {
      return Fail(kFileNotFound, QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(path));
    }
    if (error == EACCES || error == EPERM) {
      return Fail(kAccessDenied,
                  QStringLiteral("Die Datei %1 darf nicht gelesen werden.").arg(path));
    }
    return Fail(kInvalidArgs, QStringLiteral("%1 ist keine Datei.").arg(path));
  }
  close(fd);
  const LaunchChoice choice = ChooseLaunch(path);
  if (choice.arguments.size() != 2) {
    return Fail(kInvalidArgs,
                choice.problem.isEmpty()
                    ? QStringLiteral("Die Datei %1 kann nicht vorgelesen werden.").arg(path)
                    : choice.problem);
  }
  const Switch* entry = FindSwitch({choice.arguments[0].toStdString()});
  if (entry == nullptr) return Fail(kInvalidArgs, choice.problem);
  Ask({entry, choice.arguments[1].toStdString(), path});
}

void ReaderService::ReadUrl(const QString& address) {
  if (!Accepting()) return;
  const QUrl url(address, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (url.isValid() && url.isLocalFile()) return ReadLocalFile(url.toLocalFile());
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
      url.host().isEmpty()) {
    return Fail(
        kInvalidArgs,
        QStringLiteral("Nur http-, https- und file-Adressen werden vorgelesen: %1").arg(address));
  }
  Ask({&SwitchNamed("-wget"), url.toString(QUrl::FullyEncoded).toStdString(), address});
}

void ReaderService::ReadClipboard() {
  if (!Accepting()) return;
  Ask({&SwitchNamed("-c"), std::string(), QStringLiteral("clipboard")});
}

void ReaderService::ReadSelection() {
  if (!Accepting()) return;
  QString text;
  // Read now: the selection is the user's at the moment of the request.
  if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard->supportsSelection()) {
    text = clipboard->text(QClipboard::Selection);
  }
  if (text.trimmed().isEmpty()) text = QString::fromUtf8(kNothingMarked);
  Ask({&SwitchNamed("-d"), text.left(kMaxTextBytes).toStdString(), QStringLiteral("selection")});
}

void ReaderService::Stop() {
  if (!CallerIsThisUser()) return Fail(kAccessDenied, QStringLiteral("Nur für diesen Benutzer."));
  waiting_.reset();
  if (reading_) form_.InterruptReading();
}

bool ReaderService::Accepting() {
  if (!CallerIsThisUser()) {
    Fail(kAccessDenied, QStringLiteral("Nur für diesen Benutzer."));
    return false;
  }
  if (ending_ || !form_.Serving()) {
    Fail(kEnding, QStringLiteral("Parlotto wird gerade beendet; bitte noch einmal versuchen."));
    return false;
  }
  return true;
}

bool ReaderService::CallerIsThisUser() {
  if (!calledFromDBus()) return true;
  // A session bus is the user's own, but may be opened to others; the
  // files and the speech are this user's.
  const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
  return uid.isValid() && uid.value() == geteuid();
}

void ReaderService::Fail(const char* error, const QString& message) {
  WriteDebugLog("Reading service: " + message.toStdString());
  if (calledFromDBus()) sendErrorReply(QString::fromLatin1(error), message);
}

void ReaderService::Ask(Request request) {
  waiting_ = std::move(request);
  idle_.stop();
  // The reading under way returns soon and ReadWaiting takes this one.
  if (reading_) {
    form_.InterruptReading();
    return;
  }
  QMetaObject::invokeMethod(this, &ReaderService::ReadWaiting, Qt::QueuedConnection);
}

void ReaderService::ReadWaiting() {
  // Requests that come during a reading arrive inside it, in its waits.
  if (reading_ || ending_) return;
  while (waiting_ && form_.Serving()) {
    Request request = std::move(*waiting_);
    waiting_.reset();
    SetReading(true);
    emit Started(request.what);
    const bool whole = form_.ReadRequest(*request.entry, request.operand);
    emit Finished(whole && !waiting_);
    SetReading(false);
  }
  waiting_.reset();
  if (!form_.Serving()) {
    // The user ended the program from its menu: no new reading starts.
    End();
  } else if (!ending_) {
    idle_.start(ScaledMs(kIdleMs));
  }
}

void ReaderService::SetReading(bool reading) {
  if (reading_ == reading) return;
  reading_ = reading;
  QDBusMessage changed = QDBusMessage::createSignal(
      QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("PropertiesChanged"));
  changed << QString::fromLatin1(kInterface) << QVariantMap{{QStringLiteral("Reading"), reading}}
          << QStringList();
  QDBusConnection::sessionBus().send(changed);
}

void ReaderService::End() {
  if (ending_) return;
  ending_ = true;
  idle_.stop();
  Withdraw();
  WriteDebugLog("Reading service: idle, ending");
  form_.StopReading();
}

}  // namespace parlotto
