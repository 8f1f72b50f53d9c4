#include "support/local_http_server.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace parlotto::testing {

LocalHttpServer::LocalHttpServer() : server_(new QTcpServer(this)) {
  server_->listen(QHostAddress::LocalHost, 0);
  connect(server_, &QTcpServer::newConnection, this, &LocalHttpServer::Accept);
}

LocalHttpServer::~LocalHttpServer() = default;

void LocalHttpServer::Serve(const QString& path, const QByteArray& body, const QByteArray& type,
                            int delay_ms) {
  pages_[path] = {body, type, delay_ms, {}};
}

void LocalHttpServer::Redirect(const QString& path, const QByteArray& to) {
  pages_[path] = {{}, "text/html", 0, to};
}

quint16 LocalHttpServer::port() const { return server_->serverPort(); }

QString LocalHttpServer::Url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void LocalHttpServer::Accept() {
  while (QTcpSocket* socket = server_->nextPendingConnection()) {
    ++connections_;
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    if (silent_) continue;
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
      // The answer waits for the whole request: a socket closed with a part
      // of it still unread is reset, and the browser may lose the answer.
      QByteArray request = socket->property("request").toByteArray() + socket->readAll();
      if (socket->property("answered").toBool()) return;
      socket->setProperty("request", request);
      if (!request.contains("\r\n\r\n")) return;
      socket->setProperty("answered", true);
      const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
      const QString path = line.size() > 1 ? QString::fromUtf8(line[1]) : QString();
      const auto found = pages_.find(path);
      const bool known = found != pages_.end();
      const Page page = known ? found->second : Page{"nicht gefunden", "text/plain", 0, {}};
      QByteArray reply(!known ? "HTTP/1.0 404 Not Found\r\n"
                       : page.location.isEmpty()
                           ? "HTTP/1.0 200 OK\r\n"
                           : "HTTP/1.0 302 Found\r\nLocation: " + page.location + "\r\n");
      reply += "Content-Type: " + page.type +
               "\r\nContent-Length: " + QByteArray::number(page.body.size()) +
               "\r\nConnection: close\r\n\r\n" + page.body;
      QTimer::singleShot(page.delay_ms, socket, [socket, reply] {
        socket->write(reply);
        socket->disconnectFromHost();
      });
    });
  }
}

quint16 UnusedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

}  // namespace parlotto::testing
