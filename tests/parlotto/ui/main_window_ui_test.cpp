// The main window's messages, menu commands and notification-area icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <memory>
#include <string>
#include <vector>

#include "parlotto/app_messages.h"
#include "parlotto/vocato_form.h"
#include "platform/gui/notify_icon.h"
#include "platform/places/places.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

// Records what the window procedure gets.
class RecordingForm : public TVocatoForm {
 public:
  using TVocatoForm::TVocatoForm;
  std::vector<UINT> seen;

 protected:
  void WndProc(Msg& msg) override {
    seen.push_back(msg.message);
    TVocatoForm::WndProc(msg);
  }
};

// A notification area that records the calls and fails the first adds.
class FakeTray : public NotifyIconHost {
 public:
  explicit FakeTray(std::vector<std::string>* log, int failing_adds)
      : log_(log), failing_adds_(failing_adds) {}
  bool Add(const NOTIFYICONDATA& d) override {
    bool ok = failing_adds_-- <= 0;
    Record("add", d, ok);
    return ok;
  }
  bool Modify(const NOTIFYICONDATA& d) override { return Record("modify", d, true); }
  bool Delete(const NOTIFYICONDATA& d) override { return Record("delete", d, true); }

 private:
  bool Record(const char* what, const NOTIFYICONDATA& d, bool ok) {
    log_->push_back(std::string(what) + " id=" + std::to_string(d.uID) +
                    " msg=" + std::to_string(d.uCallbackMessage) +
                    " icon=" + (d.hIcon.isNull() ? "no" : "yes") + " tip=" + d.szTip.toStdString() +
                    (ok ? "" : " failed"));
    return ok;
  }
  std::vector<std::string>* log_;
  int failing_adds_;
};

class MainWindowUiTest : public ::testing::Test {
 protected:
  MainWindowUiTest()
      : hive_(dir_.File("user.reg")),
        shell_record_("record:" + dir_.File("shell.txt")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        shell_env_("PARLOTTO_SHELL", shell_record_.c_str()),
        temp_env_("TEMP", dir_.path().c_str()) {}
  ~MainWindowUiTest() override { SetNotifyIconHost(nullptr); }

  void SetNoAgent(bool no_agent) {
    testing::WriteFile(hive_, std::string("Windows Registry Editor Version 5.00\n\n"
                                          "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
                                          "\"noAgent\"=dword:0000000") +
                                  (no_agent ? "1" : "0") + "\n");
  }

  void Deliver() { QCoreApplication::processEvents(); }

  ScratchDir dir_;
  std::string hive_;
  std::string shell_record_;
  ScopedEnv hive_env_;
  ScopedEnv shell_env_;
  ScopedEnv temp_env_;
};

TEST_F(MainWindowUiTest, TheHookConsumesTheProgramsMessagesBeforeTheWindowSeesThem) {
  RecordingForm form(std::vector<std::string>{"/Automation"});
  for (UINT m : {UM_QUIT, UM_SHOW_INFO, UM_CHARACTER_IDLE, UM_CHARACTER_BUSY, UM_OPEN_SETTINGS,
                 UM_CHARACTER_HIDDEN, UINT{4145}, UINT{4152}, UM_TRAY_NOTIFY}) {
    PostMessage(form.Handle(), m, 0, 0);
  }
  Deliver();
  EXPECT_EQ(form.seen, (std::vector<UINT>{4145, 4152, UM_TRAY_NOTIFY}));
}

TEST_F(MainWindowUiTest, IdleAndBusyOrderDecidesTheSpeechFinishedFlag) {
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  PostMessage(form.Handle(), UM_CHARACTER_BUSY, 0, 0);
  PostMessage(form.Handle(), UM_CHARACTER_IDLE, 0, 0);
  Deliver();
  EXPECT_TRUE(Peer(form).speech_finished());
  PostMessage(form.Handle(), UM_CHARACTER_IDLE, 0, 0);
  PostMessage(form.Handle(), UM_CHARACTER_BUSY, 0, 0);
  Deliver();
  EXPECT_FALSE(Peer(form).speech_finished());
}

TEST_F(MainWindowUiTest, BothQuitsEmptyTheTextAndEndSoonEvenInAutomation) {
  for (bool from_character : {false, true}) {
    TVocatoForm form(std::vector<std::string>{"/Automation"});
    Peer(form).text_to_read() = "Noch zu lesen";
    if (from_character) {
      PostMessage(form.Handle(), UM_QUIT, 0, 0);
      Deliver();
    } else {
      Peer(form).Beenden()->trigger();
    }
    EXPECT_EQ(Peer(form).text_to_read(), "");
    EXPECT_EQ(Peer(form).run_mode(), rmNone);
    EXPECT_TRUE(Peer(form).EndTimer().Enabled());
    EXPECT_EQ(Peer(form).EndTimer().Interval(), 100);
    EXPECT_TRUE(Peer(form).stop_flag());
  }
}

TEST_F(MainWindowUiTest, HelpAndSettingsOpenTheFilesBesideTheProgram) {
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  Peer(form).Hilfe1()->trigger();
  Peer(form).Einstellungen1()->trigger();
  PostMessage(form.Handle(), UM_OPEN_SETTINGS, 0, 0);
  Deliver();
  const std::string dir = ProgramDir();
  EXPECT_EQ(ReadFile(dir_.File("shell.txt")), "open\t" + dir + "hilfe.html\t\nopen\t" + dir +
                                                  "VSettings\t\nopen\t" + dir + "VSettings\t\n");
}

TEST_F(MainWindowUiTest, TheMenuHasItsFourCommandsInOrder) {
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  QStringList captions;
  for (QAction* action : Peer(form).PopupMenu1()->actions()) captions << action->text();
  EXPECT_EQ(captions, (QStringList{"Info", "Hilfe", "Einstellungen", "Beenden"}));
}

TEST_F(MainWindowUiTest, AFailedAddIsRetriedAndTheIconModifiedTwice) {
  std::vector<std::string> log;
  SetNotifyIconHost(std::make_unique<FakeTray>(&log, 1));
  SetNoAgent(true);
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  form.FormCreate();
  form.FormCloseQuery();
  EXPECT_EQ(log, (std::vector<std::string>{
                     "add id=1111 msg=1135 icon=no tip= failed",
                     "add id=1111 msg=1135 icon=no tip=",
                     "modify id=1111 msg=1135 icon=yes tip=Parlotto",
                     "modify id=1111 msg=1135 icon=yes tip=Parlotto",
                     "delete id=1111 msg=1135 icon=no tip=",
                 }));
}

TEST_F(MainWindowUiTest, WithTheCharacterThereIsNoIconButTheCloseStillDeletes) {
  std::vector<std::string> log;
  SetNotifyIconHost(std::make_unique<FakeTray>(&log, 0));
  SetNoAgent(false);
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  form.FormCreate();
  EXPECT_TRUE(log.empty());
  form.FormCloseQuery();
  EXPECT_EQ(log, std::vector<std::string>{"delete id=1111 msg=1135 icon=no tip="});
}

TEST_F(MainWindowUiTest, TheIdleHookLogsEachIdleRound) {
  TVocatoForm form(std::vector<std::string>{"/Automation"});
  bool done = true;
  form.ApplicationEvents1Idle(done);
  done = false;
  form.ApplicationEvents1Idle(done);
  EXPECT_FALSE(done);
  EXPECT_EQ(ReadFile(dir_.File("vocatodebug.log")), "IdleDone\nIdle\n");
}

}  // namespace
}  // namespace parlotto
