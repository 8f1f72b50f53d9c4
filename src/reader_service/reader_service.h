// The program's service on the session bus (org.parlotto.Parlotto): plain
// D-Bus calls that read a text, a file, an address, the clipboard or the
// selection through the main window, for shortcuts, scripts and other
// programs. Every call returns at once; the reading goes on after the reply.
// The process ends by itself a while after its last reading.
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <string>

namespace parlotto {

class TVocatoForm;
struct Switch;

class ReaderService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.parlotto.Reader1")
  Q_PROPERTY(bool Reading READ Reading)

 public:
  static constexpr const char* kBusName = "org.parlotto.Parlotto";
  static constexpr const char* kObjectPath = "/org/parlotto/Parlotto";
  // The longest text ReadText takes: the longest single argument Linux
  // passes to a program, so that the service reads what `-d` could.
  static constexpr int kMaxTextBytes = 128 * 1024;
  // How long the service waits for a request after its last reading, and
  // after its start for the first one (scaled by the time scale).
  static constexpr int kIdleMs = 5000;
  static constexpr int kFirstRequestWaitMs = 20000;

  explicit ReaderService(TVocatoForm& form);
  ~ReaderService() override;
  ReaderService(const ReaderService&) = delete;
  ReaderService& operator=(const ReaderService&) = delete;

  // Puts the object and the name on the session bus; false (and a line in
  // the log) when there is no bus or another process has the name.
  bool Offer();

  bool Reading() const { return reading_; }

 public Q_SLOTS:
  Q_SCRIPTABLE void ReadText(const QString& text);
  Q_SCRIPTABLE void ReadFile(const QString& path);
  Q_SCRIPTABLE void ReadUrl(const QString& address);
  Q_SCRIPTABLE void ReadClipboard();
  Q_SCRIPTABLE void ReadSelection();
  Q_SCRIPTABLE void Stop();

 Q_SIGNALS:
  Q_SCRIPTABLE void Started(const QString& what);
  Q_SCRIPTABLE void Finished(bool completed);

 private:
  struct Request {
    const Switch* entry;
    std::string operand;
    QString what;
  };

  // Whether the call may go on; answers it with an error otherwise.
  bool Accepting();
  bool CallerIsThisUser();
  void Fail(const char* error, const QString& message);
  // ReadFile once the caller is accepted; a file: address comes here too.
  void ReadLocalFile(const QString& path);
  // Takes the name and the object off the bus.
  void Withdraw();
  // The request replaces the reading under way and any that waits.
  void Ask(Request request);
  // Reads the waiting requests, one after the other, from the loop.
  void ReadWaiting();
  void SetReading(bool reading);
  // Gives the name up first, so that a request from now on starts a new
  // process, then ends the program.
  void End();

  TVocatoForm& form_;
  std::optional<Request> waiting_;
  bool reading_ = false;
  bool ending_ = false;
  bool offered_ = false;
  QTimer idle_;
};

}  // namespace parlotto
