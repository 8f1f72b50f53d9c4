#include "officesvr/document_session.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace parlotto::office {

DocumentSession::DocumentSession(Reader reader) : reader_(std::move(reader)) {}

std::shared_ptr<DocumentSession> DocumentSession::Shared() {
  static std::weak_ptr<DocumentSession> current;
  std::shared_ptr<DocumentSession> session = current.lock();
  if (!session) {
    session = std::make_shared<DocumentSession>(&ExtractDocumentText);
    current = session;
  }
  return session;
}

DocumentSession::Opened DocumentSession::Open(const QString& file_name) {
  // Names are the server's own view of the file system: a relative name
  // would be resolved against the server's directory, not the caller's.
  const QFileInfo info(file_name);
  const QString path = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
  auto open = std::find_if(documents_.begin(), documents_.end(),
                           [&](const Document& document) { return document.path == path; });
  if (open != documents_.end()) {
    std::rotate(open, open + 1, documents_.end());
    return {documents_.back().id, DocumentFailure::kNone, {}};
  }
  DocumentText read = ReadOnWorker(path.toStdString());
  if (read.failure != DocumentFailure::kNone) return {0, read.failure, read.detail};
  // Another call may have opened it while this one read.
  open = std::find_if(documents_.begin(), documents_.end(),
                      [&](const Document& document) { return document.path == path; });
  if (open != documents_.end()) documents_.erase(open);
  documents_.push_back({next_id_++, path, std::move(read.text)});
  return {documents_.back().id, DocumentFailure::kNone, {}};
}

DocumentText DocumentSession::ReadOnWorker(const std::string& file_name) {
  // The event loop keeps the server answering its other clients (and the
  // bus's liveness checks) while a large document is read.
  QFutureWatcher<DocumentText> watcher;
  QEventLoop loop;
  QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
  watcher.setFuture(QtConcurrent::run([reader = reader_, file_name] { return reader(file_name); }));
  if (!watcher.isFinished()) loop.exec();
  return watcher.result();
}

bool DocumentSession::Close(int id) {
  auto open = std::find_if(documents_.begin(), documents_.end(),
                           [id](const Document& document) { return document.id == id; });
  if (open == documents_.end()) return false;
  documents_.erase(open);
  return true;
}

bool DocumentSession::IsOpen(int id) const { return Find(id) != nullptr; }

int DocumentSession::Active() const { return documents_.empty() ? 0 : documents_.back().id; }

const std::string* DocumentSession::Text(int id) const {
  const Document* document = Find(id);
  return document != nullptr ? &document->text : nullptr;
}

const DocumentSession::Document* DocumentSession::Find(int id) const {
  auto open = std::find_if(documents_.begin(), documents_.end(),
                           [id](const Document& document) { return document.id == id; });
  return open != documents_.end() ? &*open : nullptr;
}

}  // namespace parlotto::office
