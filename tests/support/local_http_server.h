// A web server for tests, on 127.0.0.1 and a port of its own: pages from a
// table, each after an optional delay, and 404 for the rest. It runs on the
// test's event loop, so a test that waits for a browser must keep that loop
// running. Two servers are two origins.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <map>

class QTcpServer;

namespace parlotto::testing {

class LocalHttpServer : public QObject {
 public:
  LocalHttpServer();
  ~LocalHttpServer() override;

  // Serves `body` at `path` ("/index.html") as `type`, `delay_ms` after the
  // request came.
  void Serve(const QString& path, const QByteArray& body,
             const QByteArray& type = "text/html; charset=utf-8", int delay_ms = 0);
  // Answers requests for `path` with a redirect to `to` ("/other.html").
  void Redirect(const QString& path, const QByteArray& to);
  // Accepts connections and never answers them.
  void Silence() { silent_ = true; }

  quint16 port() const;
  QString Url(const QString& path) const;
  // Every connection made so far, whatever came over it (a WebSocket too).
  int Connections() const { return connections_; }

 private:
  struct Page {
    QByteArray body;
    QByteArray type;
    int delay_ms = 0;
    QByteArray location;  // a redirect's target
  };
  void Accept();

  QTcpServer* server_;
  std::map<QString, Page> pages_;
  bool silent_ = false;
  int connections_ = 0;
};

// A port on 127.0.0.1 that nobody listens on (free when asked).
quint16 UnusedPort();

}  // namespace parlotto::testing
