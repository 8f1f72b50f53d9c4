// The clipboard source inside a main window that reads without the
// character, on the application's own clipboard (offscreen). The desktop's
// clipboard under X11 is tested with the real program in
// clipboard_source_test.sh.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <string>
#include <vector>

#include "parlotto/sources/source_fixture.h"
#include "parlotto/vocato_form.h"
#include "platform/com/com_object.h"
#include "platform/com/no_type_info.h"
#include "platform/loop/timer.h"
#include "support/fake_character.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/speech_trace.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;
using testing::SpokenTexts;
using testing::WriteFile;
using Texts = std::vector<std::string>;
using testing::Peer;

const char* kGermanMessage =
    "Die Zwischenablage sollte vorgelesen werden, ich habe aber leider keinen Text in der "
    "Zwischenablage gefunden.";

class ReadClipboardTest : public testing::SourceTest {
 protected:
  ReadClipboardTest() { QGuiApplication::clipboard()->clear(); }
};

TEST_F(ReadClipboardTest, TheClipboardTextIsReadAndReplacesTheTextToRead) {
  QGuiApplication::clipboard()->setText(QStringLiteral("Grüße aus der Zwischenablage."));
  TVocatoForm form({"-c"});
  Peer(form).Start().SetEnabled(false);
  Peer(form).text_to_read() = "Alter Text, der nicht gelesen wird.";
  EXPECT_TRUE(form.ReadClipboard());
  EXPECT_EQ(Spoken(), Texts{"Grüße aus der Zwischenablage."});
  form.Close();
}

TEST_F(ReadClipboardTest, AnEmptyTextIsReplacedByTheMessageInTheUsersLanguage) {
  for (bool english : {false, true}) {
    std::filesystem::remove(dir_.File("trace.txt"));
    auto* data = new QMimeData;
    data->setText(QString());
    QGuiApplication::clipboard()->setMimeData(data);
    TVocatoForm form({"-c"});
    Peer(form).Start().SetEnabled(false);
    Peer(form).is_english() = english;
    EXPECT_TRUE(form.ReadClipboard());
    EXPECT_EQ(Spoken(),
              Texts{english ? "Ooops, there are no Text in the Clipboard" : kGermanMessage});
    form.Close();
    g_first_close = true;
  }
}

TEST_F(ReadClipboardTest, AClipboardWithoutTextSaysNothing) {
  QImage image(4, 4, QImage::Format_RGB32);
  image.fill(Qt::red);
  QGuiApplication::clipboard()->setImage(image);
  TVocatoForm form({"-c"});
  Peer(form).Start().SetEnabled(false);
  EXPECT_TRUE(form.ReadClipboard());
  QGuiApplication::clipboard()->clear();
  EXPECT_TRUE(form.ReadClipboard());
  EXPECT_EQ(Spoken(), Texts{});
  form.Close();
}

TEST_F(ReadClipboardTest, ASecondCallDuringTheReadingReturnsFalseAndReadsNothing) {
  QGuiApplication::clipboard()->setText(QStringLiteral("Eins."));
  TVocatoForm form({"-c"});
  Peer(form).Start().SetEnabled(false);
  int nested_calls = 0;
  bool nested_result = true;
  Timer during(1, true);
  during.SetOnTimer([&] {
    during.SetEnabled(false);
    ++nested_calls;
    nested_result = form.ReadClipboard();
  });
  EXPECT_TRUE(form.ReadClipboard());
  ASSERT_EQ(nested_calls, 1);
  EXPECT_FALSE(nested_result);
  EXPECT_EQ(Spoken(), Texts{"Eins."});
  // Free again afterwards.
  EXPECT_TRUE(form.ReadClipboard());
  EXPECT_EQ(Spoken(), (Texts{"Eins.", "Eins."}));
  form.Close();
}

// A character that records the animations it is asked to play.
class RecordingCharacter final : public testing::FakeCharacter {
 public:
  std::vector<std::string> played;

  HRESULT Play(const BSTR& animation, LONG* req_id) override {
    played.push_back(animation.toStdString());
    *req_id = static_cast<LONG>(played.size()) + 40;
    return S_OK;
  }
};

TEST_F(ReadClipboardTest, ALoadedCharacterPlaysReadBeforeAndReadReturnAfter) {
  TVocatoForm form({"-c"});
  Peer(form).Start().SetEnabled(false);
  auto* recording = new RecordingCharacter;
  Peer(form).character() = ComPtr<IAgentCharacterEx>(static_cast<IAgentCharacterEx*>(recording));
  Peer(form).character_loaded() = true;
  // Nothing on the clipboard: the reading itself leaves the character as
  // it is, so both animations show.
  EXPECT_TRUE(form.ReadClipboard());
  EXPECT_EQ(recording->played, (std::vector<std::string>{"Read", "ReadReturn"}));
  EXPECT_EQ(Peer(form).current_request_id(), 42);
  Peer(form).character_loaded() = false;
  Peer(form).character() = nullptr;
  form.Close();
}

}  // namespace
}  // namespace parlotto
