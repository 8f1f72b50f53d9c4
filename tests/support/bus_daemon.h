// A session bus daemon of a test's own, for tests that take the bus away:
// killing dbus-run-session's daemon would end the test's own session.
#pragma once

#include <QProcess>
#include <QString>

namespace parlotto::testing {

class BusDaemon {
 public:
  // `config`: a configuration file instead of the session bus's own.
  explicit BusDaemon(const QString& config = {}) {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {config.isEmpty() ? QStringLiteral("--session") : "--config-file=" + config,
                   "--nofork", "--nopidfile", "--print-address=1"});
    if (daemon_.waitForStarted(10000) && daemon_.waitForReadyRead(10000)) {
      address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
  }
  ~BusDaemon() { Kill(); }
  BusDaemon(const BusDaemon&) = delete;
  BusDaemon& operator=(const BusDaemon&) = delete;

  // Empty when the daemon did not start.
  const QString& address() const { return address_; }

  void Kill() {
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }

 private:
  QProcess daemon_;
  QString address_;
};

}  // namespace parlotto::testing
