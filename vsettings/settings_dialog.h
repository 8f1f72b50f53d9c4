// The settings program's window: every value of the settings key with a
// control of its own. It shows what is stored, and OK or Übernehmen write
// exactly the values whose control the user changed; a value of the wrong
// type shows what the program does without it and stays as it is until
// its control changes.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "vsettings/speech_runtime.h"
#include "vsettings/stored_settings.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace parlotto::vsettings {

class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // `runtime` may be unavailable; the voice lists then hold only what is
  // stored. The dialog does not own it.
  SettingsDialog(const StoredSettings& stored, SpeechRuntime* runtime, QWidget* parent = nullptr);
  ~SettingsDialog() override;

  // What writing now would change, in the key's order.
  std::vector<SettingChange> Changes() const;

  // Writes the changes and makes the shown values the new starting point;
  // false (after telling the user) when the hive cannot be written.
  bool Apply();

 private slots:
  void OnCharacterFileChanged();
  void ChooseCharacterFile();
  void ForgetPosition();
  void SpeakSample();
  void UpdateStates();

 private:
  // A number edited with a spin box and a slider. It shows the stored
  // value, else the speech runtime's start value; only when neither is
  // known does the spin box's lowest value stand for "nicht gesetzt".
  struct NumberControl {
    QSpinBox* spin = nullptr;
    QSlider* slider = nullptr;
    const Stored<std::int32_t>* stored = nullptr;
    int baseline = 0;
    bool can_be_unset = false;
    bool IsSet() const;
    bool Moved() const;
  };

  QGroupBox* BuildOutputGroup();
  QGroupBox* BuildCharacterGroup();
  QGroupBox* BuildPlainVoiceGroup();
  QGroupBox* BuildSpeechGroup();
  NumberControl MakeNumber(const QString& name, int low, int high, const QString& suffix);
  void ShowStored();
  void ShowNumber(NumberControl* control, const Stored<std::int32_t>& stored,
                  std::optional<int> shown);
  void ShowSpeechHint();
  // The character speaks only with all four speech values stored, so a
  // change of one writes the others too.
  bool SpeechMoved() const;
  void OnOwnVoiceToggled();
  std::int32_t OwnVoiceMode() const;
  void FillVoices(QComboBox* combo, bool by_id);
  void Remember();
  void ChainTabOrder();
  bool DirectMode() const;
  SampleValues SampleShown() const;

  StoredSettings stored_;
  SpeechRuntime* runtime_;

  QRadioButton* with_character_ = nullptr;
  QRadioButton* without_character_ = nullptr;
  QButtonGroup* output_ = nullptr;
  QLabel* output_hint_ = nullptr;
  QCheckBox* english_ = nullptr;
  QLineEdit* character_file_ = nullptr;
  QPushButton* choose_file_ = nullptr;
  QLabel* character_picture_ = nullptr;
  QLabel* character_name_ = nullptr;
  QComboBox* character_voice_ = nullptr;
  QCheckBox* own_voice_ = nullptr;
  QLabel* position_ = nullptr;
  QPushButton* forget_position_ = nullptr;
  QComboBox* plain_voice_ = nullptr;
  QLabel* runtime_hint_ = nullptr;
  QLabel* speech_hint_ = nullptr;
  NumberControl speed_;
  NumberControl pitch_;
  NumberControl volume_left_;
  NumberControl volume_right_;
  QPushButton* sample_ = nullptr;
  QLabel* sample_status_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;

  // The state last shown or written: what "changed" is measured against.
  int output_baseline_ = -1;
  Qt::CheckState english_baseline_ = Qt::Unchecked;
  QString file_baseline_;
  int character_voice_baseline_ = -1;
  Qt::CheckState own_voice_baseline_ = Qt::Checked;
  // The voice list moved off "Keine" because its box was unticked; ticking
  // it again goes back.
  bool voice_chosen_for_user_ = false;
  int plain_voice_baseline_ = -1;
  bool forget_position_pending_ = false;
  QString character_voice_language_;
};

// Volume levels 0..65535 as whole percent and back.
int VolumePercent(std::int32_t level);
std::int32_t VolumeLevel(int percent);

}  // namespace parlotto::vsettings
