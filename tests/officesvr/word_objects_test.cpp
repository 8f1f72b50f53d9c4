// The office server's objects in this process, with a reader of the test's
// own: the calls a client makes, the documents shared by all of them, the
// failures and their reasons, and the server answering while it reads.
#include "officesvr/word_objects.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTimer>
#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/office/word_ids.h"
#include "officesvr/document_session.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/com_runtime/server_lifetime.h"

namespace parlotto::office {
namespace {

std::vector<VARIANT> Omitted(std::size_t count) { return {count, VARIANT::Missing()}; }

class WordObjectsTest : public ::testing::Test {
 protected:
  WordObjectsTest() {
    CoInitialize(nullptr);
    session_ = std::make_shared<DocumentSession>([this](const std::string& name) {
      ++reads_[name];
      auto found = files_.find(name);
      return found != files_.end() ? found->second
                                   : DocumentText{DocumentFailure::kCannotOpen, {}, "missing"};
    });
    ComObject::Create<WordApplication>(nullptr, IID_IDispatch, application_.ReceiveVoid(),
                                       session_);
  }
  ~WordObjectsTest() override {
    application_.Reset();
    session_.reset();
    CoUninitialize();
  }

  ComPtr<IDispatch> Object(IDispatch* from, const char* property, HRESULT* hr = nullptr) {
    VARIANT value;
    HRESULT result = GetProperty(from, property, &value);
    if (hr != nullptr) *hr = result;
    return DispatchOf(value);
  }

  HRESULT Open(const std::string& name, ComPtr<IDispatch>* document = nullptr) {
    ComPtr<IDispatch> documents = Object(application_.Get(), "Documents");
    std::vector<VARIANT> args = Omitted(10);
    args[0] = VARIANT::Bstr(QString::fromStdString(name));
    VARIANT opened;
    HRESULT hr = CallMethod(documents.Get(), "Open", args, &opened);
    if (document != nullptr) *document = DispatchOf(opened);
    return hr;
  }

  std::string ActiveText() {
    ComPtr<IDispatch> content =
        Object(Object(application_.Get(), "ActiveDocument").Get(), "Content");
    VARIANT text;
    EXPECT_EQ(GetProperty(content.Get(), "Text", &text), S_OK);
    return text.bstrVal.toStdString();
  }

  static std::string ErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Receive()) != S_OK) return {};
    BSTR description;
    info->GetDescription(&description);
    return description.toStdString();
  }

  std::map<std::string, DocumentText> files_;
  std::map<std::string, int> reads_;
  std::shared_ptr<DocumentSession> session_;
  ComPtr<IDispatch> application_;
};

TEST_F(WordObjectsTest, OpensReadsAndClosesADocumentAsAClientDoes) {
  files_["/tmp/bericht.docx"] = {DocumentFailure::kNone, "Erster Absatz\rZelle\r\a\r\a", {}};
  ComPtr<IDispatch> opened;
  ASSERT_EQ(Open("/tmp/bericht.docx", &opened), S_OK);
  ASSERT_TRUE(opened);
  EXPECT_EQ(ActiveText(), "Erster Absatz\rZelle\r\a\r\a");

  ComPtr<IDispatch> document = Object(application_.Get(), "ActiveDocument");
  ComPtr<IDispatch> content = Object(document.Get(), "Content");
  EXPECT_EQ(CallMethod(document.Get(), "Close", Omitted(3)), S_OK);

  // Gone for every object that names it, and nothing is active any more.
  VARIANT text;
  EXPECT_EQ(GetProperty(content.Get(), "Text", &text), RPC_E_DISCONNECTED);
  EXPECT_EQ(CallMethod(opened.Get(), "Close", Omitted(3)), RPC_E_DISCONNECTED);
  HRESULT hr = S_OK;
  EXPECT_FALSE(Object(application_.Get(), "ActiveDocument", &hr));
  EXPECT_EQ(hr, WORD_E_NODOCUMENT);
  EXPECT_NE(ErrorDescription().find("kein Dokument"), std::string::npos);
}

TEST_F(WordObjectsTest, ADocumentOpenAlreadyIsGivenAgainAndBecomesTheActiveOne) {
  files_["/tmp/a.odt"] = {DocumentFailure::kNone, "A\r", {}};
  files_["/tmp/b.odt"] = {DocumentFailure::kNone, "B\r", {}};
  ASSERT_EQ(Open("/tmp/a.odt"), S_OK);
  ASSERT_EQ(Open("/tmp/b.odt"), S_OK);
  EXPECT_EQ(ActiveText(), "B\r");
  ASSERT_EQ(Open("/tmp/a.odt"), S_OK);
  EXPECT_EQ(ActiveText(), "A\r");
  EXPECT_EQ(reads_["/tmp/a.odt"], 1);

  // Closing the active one makes the one before it active.
  ComPtr<IDispatch> document = Object(application_.Get(), "ActiveDocument");
  EXPECT_EQ(CallMethod(document.Get(), "Close", Omitted(3)), S_OK);
  EXPECT_EQ(ActiveText(), "B\r");
}

TEST_F(WordObjectsTest, EachFailureHasItsOwnCodeAndAGermanReasonNamingTheFile) {
  const std::vector<std::pair<DocumentFailure, HRESULT>> failures = {
      {DocumentFailure::kCannotOpen, WORD_E_FILENOTFOUND},
      {DocumentFailure::kUnsupportedFormat, WORD_E_UNSUPPORTED},
      {DocumentFailure::kDamaged, WORD_E_DAMAGED},
      {DocumentFailure::kPasswordProtected, WORD_E_PASSWORD},
      {DocumentFailure::kTooLarge, WORD_E_OUTOFMEMORY}};
  for (const auto& [failure, code] : failures) {
    const std::string name = "/tmp/f" + std::to_string(static_cast<int>(failure)) + ".doc";
    files_[name] = {failure, {}, "why"};
    EXPECT_EQ(Open(name), code) << name;
    const std::string reason = ErrorDescription();
    EXPECT_NE(reason.find(name), std::string::npos) << reason;
  }
  // Nothing failed to open is a document.
  HRESULT hr = S_OK;
  EXPECT_FALSE(Object(application_.Get(), "ActiveDocument", &hr));
  EXPECT_EQ(hr, WORD_E_NODOCUMENT);

  // A file name must be text, and must be there.
  ComPtr<IDispatch> documents = Object(application_.Get(), "Documents");
  std::vector<VARIANT> args = Omitted(10);
  args[0] = VARIANT::I4(7);
  EXPECT_EQ(CallMethod(documents.Get(), "Open", args), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(FAILED(CallMethod(documents.Get(), "Open", {})));
}

TEST_F(WordObjectsTest, ARelativeNameIsTheServersOwnAndTheOptionsAreIgnored) {
  const std::string absolute = QDir::currentPath().toStdString() + "/relativ.txt";
  files_[absolute] = {DocumentFailure::kNone, "R\r", {}};
  ComPtr<IDispatch> documents = Object(application_.Get(), "Documents");
  std::vector<VARIANT> args = {VARIANT::Bstr("relativ.txt"), VARIANT::Bool(true),
                               VARIANT::Bool(true), VARIANT::Bool(false), VARIANT::Bstr("geheim")};
  EXPECT_EQ(CallMethod(documents.Get(), "Open", args), S_OK);
  EXPECT_EQ(reads_[absolute], 1);
}

TEST_F(WordObjectsTest, TheServerAnswersOtherCallsWhileItReadsADocument) {
  // The reader waits for a call that only the main thread's event loop can
  // deliver; a server that blocked while reading would never finish.
  std::promise<void> answered;
  std::shared_future<void> released = answered.get_future().share();
  std::atomic<bool> reading{false};
  session_ = std::make_shared<DocumentSession>([&](const std::string&) {
    reading = true;
    released.wait();
    return DocumentText{DocumentFailure::kNone, "spät\r", {}};
  });
  ComObject::Create<WordApplication>(nullptr, IID_IDispatch, application_.ReceiveVoid(), session_);
  HRESULT during = S_OK;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!reading) return;
    poll.stop();
    Object(application_.Get(), "ActiveDocument", &during);
    answered.set_value();
  });
  poll.start(5);
  ASSERT_EQ(Open("/tmp/lang.docx"), S_OK);
  EXPECT_EQ(during, WORD_E_NODOCUMENT);
  EXPECT_EQ(ActiveText(), "spät\r");
}

TEST_F(WordObjectsTest, EveryObjectKeepsTheServerAliveAndNoClassObjectAggregates) {
  const int before = ServerLifetime::LiveObjects();
  files_["/tmp/x.txt"] = {DocumentFailure::kNone, "x\r", {}};
  ComPtr<IDispatch> document;
  ASSERT_EQ(Open("/tmp/x.txt", &document), S_OK);
  application_.Reset();
  EXPECT_EQ(ServerLifetime::LiveObjects(), before);  // the document alone keeps it
  document.Reset();
  EXPECT_EQ(ServerLifetime::LiveObjects(), before - 1);

  ComPtr<IClassFactory> factory(new WordClassFactory);
  ComPtr<IUnknown> object;
  IUnknown* outer = factory.Get();
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, object.ReceiveVoid()),
            CLASS_E_NOAGGREGATION);
}

}  // namespace
}  // namespace parlotto::office
