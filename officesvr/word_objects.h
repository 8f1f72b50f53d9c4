// The office server's automation objects: the application, its documents
// collection, a document and its content range. Each is a view of the
// process's DocumentSession; a document object names its document by id, so
// that one closed by any client fails every later call as disconnected.
#pragma once

#include <memory>

#include "officesvr/document_session.h"
#include "platform/com_runtime/automation_object.h"
#include "platform/com_runtime/server_class_factory.h"

namespace parlotto::office {

// An object of the server: a view of the process's documents.
class WordObject : public AutomationObject {
 protected:
  WordObject(const IID& iid, std::shared_ptr<DocumentSession> session);

  const std::shared_ptr<DocumentSession> session_;
};

class WordApplication final : public WordObject {
 public:
  explicit WordApplication(IUnknown* outer,
                           std::shared_ptr<DocumentSession> session = DocumentSession::Shared());

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

class WordDocuments final : public WordObject {
 public:
  WordDocuments(IUnknown* outer, std::shared_ptr<DocumentSession> session);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
};

class WordDocument final : public WordObject {
 public:
  WordDocument(IUnknown* outer, std::shared_ptr<DocumentSession> session, int id);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
  const int id_;
};

class WordRange final : public WordObject {
 public:
  WordRange(IUnknown* outer, std::shared_ptr<DocumentSession> session, int id);

 private:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override;
  const int id_;
};

// The class object: every client gets an application of the one session.
class WordClassFactory final : public ServerClassFactory {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
};

}  // namespace parlotto::office
