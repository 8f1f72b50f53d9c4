// The window that the menu entry opens: each choice starts the program with
// its switch; the browser window is read only once the chooser has gone.
#include "parlotto-open/chooser_window.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

// Records what the chooser would start instead of starting it.
class RecordingDesktop : public ChooserDesktop {
 public:
  bool Start(const QString& program, const QStringList& arguments) override {
    started.push_back(QStringList{program} + arguments);
    return start_works;
  }
  QString AskForFile(QWidget* /*parent*/) override { return file_to_pick; }
  void Tell(const QString& problem) override { told.push_back(problem); }
  void HandBackFront(WId /*chooser*/, std::function<void()> then) override {
    chooser_shown_at_hand_back = chooser->isVisible();
    then();
  }

  QWidget* chooser = nullptr;
  bool start_works = true;
  QString file_to_pick;
  std::vector<QStringList> started;
  std::vector<QString> told;
  bool chooser_shown_at_hand_back = true;
};

class ChooserWindowTest : public ::testing::Test {
 protected:
  ChooserWindowTest() {
    desktop_.chooser = &chooser_;
    chooser_.show();
  }

  void Click(const QString& text) {
    for (QPushButton* button : chooser_.findChildren<QPushButton*>()) {
      if (button->text().remove('&') == text) return button->click();
    }
    FAIL() << "no button " << text.toStdString();
  }

  QString Make(const std::string& name, const std::string& contents) {
    WriteFile(dir_.File(name), contents);
    return QString::fromStdString(dir_.File(name));
  }

  ScratchDir dir_;
  RecordingDesktop desktop_;
  ChooserWindow chooser_{&desktop_};
};

TEST_F(ChooserWindowTest, EachChoiceStartsItsProgramWithItsSwitchAndCloses) {
  const QString text = Make("Notiz.txt", "Liebe Oma,\n");
  const QString pdf = Make("Bericht.pdf", "%PDF-1.4\n%%EOF\n");
  struct Case {
    QString button;
    QString file_to_pick;
    QStringList command;
  };
  const Case cases[] = {
      {"Zwischenablage vorlesen", {}, {"parlotto", "-c"}},
      {"Browserfenster vorlesen", {}, {"parlotto", "-e"}},
      {"Datei vorlesen …", text, {"parlotto", "-f", text}},
      {"Datei vorlesen …", pdf, {"parlotto", "-pdf", pdf}},
      {"Einstellungen", {}, {"VSettings"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button.toStdString() + " " + c.file_to_pick.toStdString());
    desktop_.started.clear();
    desktop_.file_to_pick = c.file_to_pick;
    chooser_.setResult(QDialog::Rejected);
    chooser_.show();
    Click(c.button);
    ASSERT_EQ(desktop_.started.size(), 1u);
    EXPECT_EQ(desktop_.started.front(), c.command);
    EXPECT_FALSE(chooser_.isVisible());
    EXPECT_EQ(chooser_.result(), QDialog::Accepted);
  }
  // Otherwise the program would find the chooser in front, not the browser.
  EXPECT_FALSE(desktop_.chooser_shown_at_hand_back);
}

TEST_F(ChooserWindowTest, NothingToStartLeavesTheChooserOpenForAnotherChoice) {
  struct Case {
    const char* what;
    QString button;
    QString file_to_pick;
    bool start_works;
    size_t started;
    size_t told;
  };
  const Case cases[] = {
      {"file dialog cancelled", "Datei vorlesen …", {}, true, 0, 0},
      {"a picture", "Datei vorlesen …", Make("Bild.png", "\x89PNG\r\n\x1a\n"), true, 0, 1},
      {"the program cannot start", "Browserfenster vorlesen", {}, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    desktop_.started.clear();
    desktop_.told.clear();
    desktop_.file_to_pick = c.file_to_pick;
    desktop_.start_works = c.start_works;
    Click(c.button);
    EXPECT_EQ(desktop_.started.size(), c.started);
    EXPECT_EQ(desktop_.told.size(), c.told);
    EXPECT_TRUE(chooser_.isVisible());
  }
}

}  // namespace
}  // namespace parlotto
