// The documents that the office server holds open: one list for the whole
// process, shared by every client, as a word processor has one window list.
// A document is opened once; opening it again gives the open one and makes
// it the active document.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "officesvr/document_text/document_text.h"

namespace parlotto::office {

class DocumentSession {
 public:
  using Reader = std::function<DocumentText(const std::string& file_name)>;

  // `reader` turns a file into its text; it may block, and runs on a worker
  // thread while the server goes on answering other calls.
  explicit DocumentSession(Reader reader);

  // The session of this process while any of its objects lives.
  static std::shared_ptr<DocumentSession> Shared();

  struct Opened {
    int id = 0;
    DocumentFailure failure = DocumentFailure::kNone;
    std::string detail;
  };
  Opened Open(const QString& file_name);
  // False when `id` is not open (closed meanwhile, or never).
  bool Close(int id);
  bool IsOpen(int id) const;
  // 0 when no document is open.
  int Active() const;
  // The document's whole text; null when it is not open.
  const std::string* Text(int id) const;

 private:
  struct Document {
    int id;
    QString path;
    std::string text;
  };
  const Document* Find(int id) const;
  DocumentText ReadOnWorker(const std::string& file_name);

  Reader reader_;
  std::vector<Document> documents_;  // in the order they became active
  int next_id_ = 1;
};

}  // namespace parlotto::office
