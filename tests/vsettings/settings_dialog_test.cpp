// The settings window over a private hive: what it shows of stored, missing
// and wrongly typed values, and that each control writes its value and
// nothing else.
#include "vsettings/settings_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <functional>
#include <map>
#include <set>

#include "vsettings/settings_fixture.h"
#include "vsettings/speech_runtime.h"

namespace parlotto::vsettings {
namespace {

using Values = std::map<std::string, std::string>;

class SettingsDialogTest : public testing::SettingsFixture {
 protected:
  // The window over the hive as it is now.
  std::unique_ptr<SettingsDialog> Open() {
    return std::make_unique<SettingsDialog>(ReadStoredSettings(), &runtime_);
  }

  template <typename T>
  static T* Find(const SettingsDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  static QPushButton* Button(const SettingsDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
  }

  static void SaveScreenshot(SettingsDialog& dialog, const char* name) {
    dialog.show();
    QApplication::processEvents();
    const QString dir = QStringLiteral(PARLOTTO_BUILD_DIR "/artifacts/settings");
    QDir().mkpath(dir);
    EXPECT_TRUE(dialog.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + ".png"));
  }

  SpeechRuntime runtime_;
};

TEST_F(SettingsDialogTest, ShowsEveryStoredValueInItsControl) {
  Hive(testing::EveryValueHive());
  auto dialog = Open();
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "withCharacter")->isChecked());
  EXPECT_EQ(Find<QCheckBox>(*dialog, "english")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QLineEdit>(*dialog, "characterFile")->text().toStdString(),
            testing::CharacterFile());
  EXPECT_EQ(Find<QCheckBox>(*dialog, "ownVoice")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QComboBox>(*dialog, "characterVoice")->currentData().toString().toStdString(),
            testing::kGermanModeId);
  EXPECT_EQ(Find<QLabel>(*dialog, "position")->text(), QStringLiteral("100, 200"));
  EXPECT_TRUE(Find<QPushButton>(*dialog, "forgetPosition")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(*dialog, "plainVoice")->currentData().toInt(), 1);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "speed")->value(), 200);
  EXPECT_EQ(Find<QSlider>(*dialog, "speedSlider")->value(), 200);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "pitch")->value(), 120);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "volumeLeft")->value(), 50);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "volumeRight")->value(), 100);
  // The preview shows the character at rest, not the empty start of its
  // "Show" animation.
  const QLabel* picture = Find<QLabel>(*dialog, "characterPicture");
  const QImage shown = picture->pixmap().toImage();
  ASSERT_FALSE(shown.isNull());
  int visible = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) visible += qAlpha(shown.pixel(x, y)) > 128 ? 1 : 0;
  }
  EXPECT_GT(visible, shown.width() * shown.height() / 4);
  EXPECT_FALSE(Find<QLabel>(*dialog, "characterName")->text().isEmpty());
  EXPECT_TRUE(dialog->Changes().empty());
  EXPECT_FALSE(Button(*dialog, QDialogButtonBox::Apply)->isEnabled());
  SaveScreenshot(*dialog, "every-value");
}

TEST_F(SettingsDialogTest, EachControlWritesExactlyItsOwnValue) {
  struct Case {
    const char* what;
    std::function<void(SettingsDialog&)> change;
    // The values that differ afterwards; "" means deleted.
    std::function<Values(SettingsDialog&)> expected;
  };
  auto value = [](const char* name, std::string shown) {
    return [name, shown](SettingsDialog&) { return Values{{name, shown}}; };
  };
  const Case cases[] = {
      {"output", [](SettingsDialog& d) { Find<QRadioButton>(d, "withoutCharacter")->click(); },
       value("noAgent", "REG_DWORD 1")},
      {"English", [](SettingsDialog& d) { Find<QCheckBox>(d, "english")->click(); },
       value("isEnglish", "REG_DWORD 1")},
      {"file",
       [](SettingsDialog& d) {
         Find<QLineEdit>(d, "characterFile")->setText(QStringLiteral("/opt/figuren/kater.acz"));
       },
       value("AgentFromFileSystem", "REG_SZ /opt/figuren/kater.acz")},
      {"own voice", [](SettingsDialog& d) { Find<QCheckBox>(d, "ownVoice")->click(); },
       value("useStandardMode", "REG_DWORD 1")},
      {"character voice",
       [](SettingsDialog& d) {
         QComboBox* combo = Find<QComboBox>(d, "characterVoice");
         combo->setCurrentIndex(combo->count() - 1);
       },
       [](SettingsDialog& d) {
         QComboBox* combo = Find<QComboBox>(d, "characterVoice");
         return Values{{"ModeID", "REG_SZ " + combo->currentData().toString().toStdString()}};
       }},
      {"position", [](SettingsDialog& d) { Find<QPushButton>(d, "forgetPosition")->click(); },
       [](SettingsDialog&) {
         return Values{{"AgentLastPositionX", ""}, {"AgentLastPositionY", ""}};
       }},
      {"plain voice",
       [](SettingsDialog& d) {
         QComboBox* combo = Find<QComboBox>(d, "plainVoice");
         combo->setCurrentIndex(combo->findData(2));
       },
       value("CurrentMode", "REG_DWORD 2")},
      {"speed", [](SettingsDialog& d) { Find<QSpinBox>(d, "speed")->setValue(300); },
       value("Speed", "REG_DWORD 300")},
      {"speed slider", [](SettingsDialog& d) { Find<QSlider>(d, "speedSlider")->setValue(250); },
       value("Speed", "REG_DWORD 250")},
      {"pitch", [](SettingsDialog& d) { Find<QSpinBox>(d, "pitch")->setValue(90); },
       value("Pitch", "REG_DWORD 90")},
      {"left volume", [](SettingsDialog& d) { Find<QSpinBox>(d, "volumeLeft")->setValue(25); },
       value("VolumeL", "REG_DWORD 16384")},
      {"right volume", [](SettingsDialog& d) { Find<QSpinBox>(d, "volumeRight")->setValue(0); },
       value("VolumeR", "REG_DWORD 0")},
  };
  ASSERT_GT(runtime_.Voices().size(), 2u) << "the speech runtime offers voices";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Hive(testing::EveryValueHive());
    Values expected = KeyValues();
    auto dialog = Open();
    c.change(*dialog);
    for (const auto& [name, shown] : c.expected(*dialog)) {
      if (shown.empty()) {
        expected.erase(name);
      } else {
        expected[name] = shown;
      }
    }
    ASSERT_TRUE(Button(*dialog, QDialogButtonBox::Apply)->isEnabled());
    Button(*dialog, QDialogButtonBox::Apply)->click();
    EXPECT_EQ(KeyValues(), expected);
    // What was written is the new starting point.
    EXPECT_TRUE(dialog->Changes().empty());
    EXPECT_FALSE(Button(*dialog, QDialogButtonBox::Apply)->isEnabled());
  }
}

TEST_F(SettingsDialogTest, UnstoredValuesShowWhatTheProgramDoesAndOneSpeechChangeWritesAllFour) {
  // Not stored, or stored with a type the program cannot read: the boxes
  // show what the program then does, the numbers the runtime's start values.
  const SampleValues start = runtime_.StartValues();
  ASSERT_TRUE(start.speed && start.pitch && start.volume_left);
  const auto n = [](std::int32_t v) { return "REG_DWORD " + std::to_string(v); };
  struct Case {
    const char* what;
    std::string hive;
    bool without_character;
    bool own_voice;
    Values written;  // after moving the pitch by one
  } cases[] = {
      {"no key",
       "Windows Registry Editor Version 5.00\n",
       false,
       true,
       {{"noAgent", n(0)},
        {"CurrentMode", n(0)},
        {"Speed", n(*start.speed)},
        {"VolumeL", n(*start.volume_left)},
        {"VolumeR", n(*start.volume_right)}}},
      {"empty key",
       testing::kEmptyKeyHive,
       true,
       true,
       {{"CurrentMode", n(0)},
        {"Speed", n(*start.speed)},
        {"VolumeL", n(*start.volume_left)},
        {"VolumeR", n(*start.volume_right)}}},
      {"wrong types",
       testing::kWrongTypeHive,
       true,
       true,
       {{"CurrentMode", n(0)},
        {"Speed", n(*start.speed)},
        {"VolumeL", n(*start.volume_left)},
        {"VolumeR", n(*start.volume_right)}}},
      {"speed only",
       std::string(testing::kEmptyKeyHive) + "\"Speed\"=dword:00000096\n",
       true,
       true,
       {{"CurrentMode", n(0)},
        {"VolumeL", n(*start.volume_left)},
        {"VolumeR", n(*start.volume_right)}}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    Hive(c.hive);
    const std::string original = HiveText();
    auto dialog = Open();
    EXPECT_EQ(Find<QRadioButton>(*dialog, "withoutCharacter")->isChecked(), c.without_character);
    EXPECT_EQ(Find<QCheckBox>(*dialog, "english")->checkState(), Qt::Unchecked);
    EXPECT_EQ(Find<QCheckBox>(*dialog, "ownVoice")->checkState(),
              c.own_voice ? Qt::Checked : Qt::Unchecked);
    EXPECT_EQ(Find<QComboBox>(*dialog, "plainVoice")->currentData(), QVariant(0));
    QSpinBox* pitch = Find<QSpinBox>(*dialog, "pitch");
    EXPECT_EQ(pitch->value(), *start.pitch);
    EXPECT_EQ(Find<QSpinBox>(*dialog, "volumeRight")->value(), 100);
    EXPECT_TRUE(dialog->Changes().empty());
    ASSERT_TRUE(dialog->Apply());
    EXPECT_EQ(HiveText(), original);

    Values expected = KeyValues();
    for (const auto& [name, shown] : c.written) expected[name] = shown;
    expected["Pitch"] = n(*start.pitch + 1);
    pitch->setValue(*start.pitch + 1);
    ASSERT_TRUE(dialog->Apply());
    EXPECT_EQ(KeyValues(), expected);
  }
}

TEST_F(SettingsDialogTest, UntickingTheOwnVoiceOffersTheVoiceTheCharacterSpeaksWith) {
  Hive(testing::kEmptyKeyHive);
  auto dialog = Open();
  QComboBox* voice = Find<QComboBox>(*dialog, "characterVoice");
  Find<QCheckBox>(*dialog, "ownVoice")->click();
  EXPECT_EQ(voice->currentData().toString().toStdString(), testing::kGermanModeId);
  Find<QCheckBox>(*dialog, "ownVoice")->click();
  EXPECT_TRUE(voice->currentData().toString().isEmpty());
  EXPECT_TRUE(dialog->Changes().empty());
}

TEST_F(SettingsDialogTest, AControlTurnedBackToItsStoredStateWritesNothing) {
  Hive(testing::kWrongTypeHive);
  const std::string original = HiveText();
  auto dialog = Open();
  QSpinBox* speed = Find<QSpinBox>(*dialog, "speed");
  const int shown = speed->value();
  speed->setValue(300);
  speed->setValue(shown);
  QComboBox* voice = Find<QComboBox>(*dialog, "plainVoice");
  voice->setCurrentIndex(2);
  voice->setCurrentIndex(0);
  EXPECT_TRUE(dialog->Changes().empty());
  ASSERT_TRUE(dialog->Apply());
  EXPECT_EQ(HiveText(), original);
}

TEST_F(SettingsDialogTest, UntouchedValuesOutsideTheRangesAreNotRewritten) {
  // Shown as the nearest value the speech runtime takes, but kept as stored.
  Hive(
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Zentravol\\Agent]\n"
      "\"Speed\"=dword:000003e8\n"
      "\"Pitch\"=dword:00000001\n"
      "\"VolumeL\"=dword:00010000\n"
      "\"CurrentMode\"=dword:000003e7\n"
      "\"ModeID\"=\"12345678-0000-0000-0000-000000000000\"\n");
  const std::string original = HiveText();
  auto dialog = Open();
  EXPECT_EQ(Find<QSpinBox>(*dialog, "speed")->value(), 450);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "pitch")->value(), 64);
  EXPECT_EQ(Find<QSpinBox>(*dialog, "volumeLeft")->value(), 100);
  EXPECT_EQ(Find<QComboBox>(*dialog, "plainVoice")->currentData().toInt(), 999);
  EXPECT_EQ(Find<QComboBox>(*dialog, "characterVoice")->currentData().toString(),
            QStringLiteral("12345678-0000-0000-0000-000000000000"));
  EXPECT_TRUE(dialog->Changes().empty());
  ASSERT_TRUE(dialog->Apply());
  EXPECT_EQ(HiveText(), original);
}

TEST_F(SettingsDialogTest, WithoutTheKeyItShowsTheCharacterModeAndKeepsItWhenWriting) {
  Hive("Windows Registry Editor Version 5.00\n");
  auto dialog = Open();
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "withCharacter")->isChecked());
  EXPECT_EQ(Find<QLabel>(*dialog, "position")->text(), QStringLiteral("keine"));
  EXPECT_FALSE(Find<QPushButton>(*dialog, "forgetPosition")->isEnabled());
  // No file: the preview shows the default character.
  EXPECT_FALSE(Find<QLabel>(*dialog, "characterPicture")->pixmap().isNull());
  SaveScreenshot(*dialog, "no-key");

  Find<QCheckBox>(*dialog, "english")->click();
  ASSERT_TRUE(dialog->Apply());
  EXPECT_EQ(KeyValues(), (Values{{"noAgent", "REG_DWORD 0"}, {"isEnglish", "REG_DWORD 1"}}));
}

TEST_F(SettingsDialogTest, CancelWritesNothing) {
  Hive(testing::EveryValueHive());
  const std::string original = HiveText();
  auto dialog = Open();
  Find<QSpinBox>(*dialog, "speed")->setValue(111);
  Find<QPushButton>(*dialog, "forgetPosition")->click();
  Button(*dialog, QDialogButtonBox::Cancel)->click();
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(HiveText(), original);
}

TEST_F(SettingsDialogTest, OkWritesAndClosesAndATHiveThatCannotBeWrittenKeepsItOpen) {
  Hive(testing::EveryValueHive());
  auto dialog = Open();
  dialog->show();
  Find<QSpinBox>(*dialog, "pitch")->setValue(150);
  Button(*dialog, QDialogButtonBox::Ok)->click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(KeyValues()["Pitch"], "REG_DWORD 150");

  const std::string record = dir_.File("dialogs.txt");
  const std::string record_env = "record:" + record;
  testing::ScopedEnv dialogs("PARLOTTO_DIALOGS", record_env.c_str());
  dialog = Open();
  dialog->show();
  Find<QSpinBox>(*dialog, "pitch")->setValue(100);
  const std::string below_file = hive_ + "/user.reg";
  testing::ScopedEnv unwritable("PARLOTTO_USER_HIVE", below_file.c_str());
  Button(*dialog, QDialogButtonBox::Ok)->click();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_NE(testing::ReadFile(record).find("nicht gespeichert"), std::string::npos);
  EXPECT_FALSE(dialog->Changes().empty());
}

TEST_F(SettingsDialogTest, ThePreviewFollowsTheFileAndSaysWhyItShowsNothing) {
  Hive(testing::kEmptyKeyHive);
  auto dialog = Open();
  QLineEdit* file = Find<QLineEdit>(*dialog, "characterFile");
  const QLabel* picture = Find<QLabel>(*dialog, "characterPicture");
  const QLabel* name = Find<QLabel>(*dialog, "characterName");

  file->setText(QString::fromStdString(dir_.File("fehlt.acz")));
  EXPECT_TRUE(picture->pixmap().isNull());
  EXPECT_TRUE(name->text().contains(QStringLiteral("nicht gefunden")));

  const std::string damaged = dir_.File("kaputt.acz");
  testing::WriteFile(damaged, "kein Archiv");
  file->setText(QString::fromStdString(damaged));
  EXPECT_TRUE(picture->pixmap().isNull());
  EXPECT_TRUE(name->text().startsWith(QStringLiteral("Keine lesbare Figur")));

  file->setText(QString::fromStdString(testing::CharacterFile()));
  EXPECT_FALSE(picture->pixmap().isNull());
  EXPECT_LE(picture->pixmap().width(), picture->width());
  EXPECT_LE(picture->pixmap().height(), picture->height());
}

TEST_F(SettingsDialogTest, EveryControlHasANameAUniqueMnemonicAndATabStop) {
  Hive(testing::EveryValueHive());
  auto dialog = Open();
  dialog->show();
  QApplication::processEvents();
  std::set<QWidget*> controls;
  for (QWidget* widget : dialog->findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(widget) ||
                         qobject_cast<QComboBox*>(widget) || qobject_cast<QSpinBox*>(widget) ||
                         qobject_cast<QLineEdit*>(widget) || qobject_cast<QSlider*>(widget);
    // The spin boxes' and combo boxes' own line edits are parts of them.
    if (!control || qobject_cast<QAbstractSpinBox*>(widget->parentWidget()) ||
        qobject_cast<QComboBox*>(widget->parentWidget())) {
      continue;
    }
    const auto* button = qobject_cast<QAbstractButton*>(widget);
    EXPECT_TRUE(!widget->accessibleName().isEmpty() || (button && !button->text().isEmpty()))
        << widget->metaObject()->className() << " " << widget->objectName().toStdString();
    controls.insert(widget);
  }
  ASSERT_GE(controls.size(), 20u);

  // Each mnemonic letter names one control only.
  std::map<QChar, QString> letters;
  auto mnemonic = [&letters](const QString& text) {
    const int at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size()) return;
    const QChar letter = text.at(at + 1).toLower();
    EXPECT_EQ(letters.count(letter), 0u)
        << "&" << QString(letter).toStdString() << " in " << text.toStdString() << " and "
        << letters[letter].toStdString();
    letters[letter] = text;
  };
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->buddy() != nullptr) mnemonic(label->text());
  }
  for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) mnemonic(button->text());
  EXPECT_GE(letters.size(), 14u);

  // Tab goes through the controls as they are laid out, column by column.
  std::vector<std::string> order;
  QWidget* start = Find<QRadioButton>(*dialog, "withCharacter");
  QWidget* widget = start;
  do {
    if (controls.count(widget) != 0 && !widget->objectName().isEmpty()) {
      // Of a group of radio buttons Tab reaches the checked one; the arrow
      // keys move between them.
      if (qobject_cast<QRadioButton*>(widget) == nullptr) {
        EXPECT_TRUE(widget->focusPolicy() & Qt::TabFocus) << widget->objectName().toStdString();
      }
      order.push_back(widget->objectName().toStdString());
    }
    widget = widget->nextInFocusChain();
  } while (widget != start);
  const std::vector<std::string> expected = {"withCharacter",
                                             "withoutCharacter",
                                             "english",
                                             "characterFile",
                                             "chooseCharacterFile",
                                             "ownVoice",
                                             "characterVoice",
                                             "forgetPosition",
                                             "plainVoice",
                                             "speedSlider",
                                             "speed",
                                             "pitchSlider",
                                             "pitch",
                                             "volumeLeftSlider",
                                             "volumeLeft",
                                             "volumeRightSlider",
                                             "volumeRight",
                                             "sample"};
  EXPECT_EQ(order, expected);
}

TEST_F(SettingsDialogTest, TheProgramBesideTheReaderOpensTheWindowAndWritesNothingByItself) {
  // The menus start "VSettings" from the reading program's directory.
  Hive(testing::EveryValueHive());
  const std::string original = HiveText();
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(PARLOTTO_BUILD_DIR "/VSettings"), {});
  ASSERT_TRUE(program.waitForStarted(10000));
  // Still running after its start: the window waits for the user.
  EXPECT_FALSE(program.waitForFinished(3000));
  program.kill();
  program.waitForFinished(10000);
  EXPECT_EQ(HiveText(), original);
}

}  // namespace
}  // namespace parlotto::vsettings
