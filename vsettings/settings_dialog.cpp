#include "vsettings/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/gui/dialogs.h"
#include "platform/places/places.h"
#include "settings_key/settings_key.h"
#include "vsettings/character_preview.h"
#include "vsettings/speech_runtime.h"
#include "vsettings/voice_names.h"
#include "xvoice/xvoice_text/speech_values.h"

namespace parlotto::vsettings {
namespace {

constexpr int kWithCharacter = 0;
constexpr int kWithoutCharacter = 1;
constexpr int kPictureSide = 96;

const QString kUnset = QStringLiteral("nicht gesetzt");
const QString kWrongTypeTip = QStringLiteral(
    "Der gespeicherte Wert hat einen falschen Typ. Er bleibt erhalten, solange Sie diese "
    "Einstellung nicht ändern.");

QString StateTip(ValueState state) {
  return state == ValueState::kWrongType ? kWrongTypeTip : QString();
}

// A value that is not stored shows what the program does without it.
void ShowCheck(QCheckBox* box, const Stored<bool>& stored, bool without_value) {
  box->setChecked(stored.present() ? stored.value : without_value);
  box->setToolTip(StateTip(stored.state));
}

bool Names(const std::vector<SettingChange>& changes, const char* name) {
  return std::any_of(changes.begin(), changes.end(),
                     [name](const SettingChange& change) { return change.name == name; });
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

int VolumePercent(std::int32_t level) {
  const double percent = std::round(static_cast<double>(level) * 100.0 / xvoice::kMaxVolume);
  return static_cast<int>(std::clamp(percent, 0.0, 100.0));
}

std::int32_t VolumeLevel(int percent) {
  return static_cast<std::int32_t>(std::lround(percent * xvoice::kMaxVolume / 100.0));
}

bool SettingsDialog::NumberControl::IsSet() const {
  return !can_be_unset || spin->value() != spin->minimum();
}

bool SettingsDialog::NumberControl::Moved() const { return IsSet() && spin->value() != baseline; }

SettingsDialog::SettingsDialog(const StoredSettings& stored, SpeechRuntime* runtime,
                               QWidget* parent)
    : QDialog(parent), stored_(stored), runtime_(runtime) {
  setWindowTitle(QStringLiteral("Parlotto – Einstellungen"));
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(BuildOutputGroup());
  left->addWidget(BuildCharacterGroup());
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(BuildPlainVoiceGroup());
  right->addWidget(BuildSpeechGroup());
  right->addStretch();
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                  QDialogButtonBox::Apply);
  buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  buttons_->button(QDialogButtonBox::Apply)->setText(QStringLiteral("Über&nehmen"));
  connect(buttons_, &QDialogButtonBox::accepted, this, [this] {
    if (Apply()) accept();
  });
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons_->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
          [this] { Apply(); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(buttons_);

  ShowStored();
  // One width for the four numbers, so that their sliders line up.
  int spin_width = 0;
  for (const NumberControl* control : {&speed_, &pitch_, &volume_left_, &volume_right_}) {
    spin_width = std::max(spin_width, control->spin->sizeHint().width());
  }
  for (NumberControl* control : {&speed_, &pitch_, &volume_left_, &volume_right_}) {
    control->spin->setMinimumWidth(spin_width);
  }
  ChainTabOrder();
  UpdateStates();
}

SettingsDialog::~SettingsDialog() = default;

QGroupBox* SettingsDialog::BuildOutputGroup() {
  auto* group = new QGroupBox(QStringLiteral("Ausgabe"));
  with_character_ = new QRadioButton(QStringLiteral("Mit &Figur sprechen"));
  with_character_->setObjectName(QStringLiteral("withCharacter"));
  without_character_ = new QRadioButton(QStringLiteral("Nur &Sprachausgabe, ohne Figur"));
  without_character_->setObjectName(QStringLiteral("withoutCharacter"));
  output_ = new QButtonGroup(this);
  output_->addButton(with_character_, kWithCharacter);
  output_->addButton(without_character_, kWithoutCharacter);
  output_hint_ = new QLabel;
  output_hint_->setObjectName(QStringLiteral("outputHint"));
  output_hint_->setWordWrap(true);
  english_ = new QCheckBox(QStringLiteral("&Englisch (Sprache und Befehle der Figur)"));
  english_->setObjectName(QStringLiteral("english"));
  english_->setAccessibleName(QStringLiteral("Englisch"));

  auto* layout = new QVBoxLayout(group);
  layout->addWidget(with_character_);
  layout->addWidget(without_character_);
  layout->addWidget(output_hint_);
  layout->addWidget(english_);
  connect(output_, &QButtonGroup::idClicked, this, &SettingsDialog::UpdateStates);
  connect(english_, &QCheckBox::stateChanged, this, &SettingsDialog::UpdateStates);
  return group;
}

QGroupBox* SettingsDialog::BuildCharacterGroup() {
  auto* group = new QGroupBox(QStringLiteral("Figur"));
  character_file_ = new QLineEdit;
  character_file_->setObjectName(QStringLiteral("characterFile"));
  character_file_->setAccessibleName(QStringLiteral("Figurdatei"));
  choose_file_ = new QPushButton(QStringLiteral("&Auswählen …"));
  choose_file_->setObjectName(QStringLiteral("chooseCharacterFile"));
  choose_file_->setAccessibleName(QStringLiteral("Figurdatei auswählen"));
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(character_file_, 1);
  file_row->addWidget(choose_file_);

  character_picture_ = new QLabel;
  character_picture_->setObjectName(QStringLiteral("characterPicture"));
  character_picture_->setFixedSize(kPictureSide, kPictureSide);
  character_picture_->setAlignment(Qt::AlignCenter);
  character_picture_->setFrameShape(QFrame::StyledPanel);
  character_picture_->setAccessibleName(QStringLiteral("Vorschau der Figur"));
  character_name_ = new QLabel;
  character_name_->setObjectName(QStringLiteral("characterName"));
  character_name_->setWordWrap(true);
  auto* preview_row = new QHBoxLayout;
  preview_row->addWidget(character_picture_);
  preview_row->addWidget(character_name_, 1);

  own_voice_ = new QCheckBox(QStringLiteral("Eigene Stimme der Figur &behalten"));
  own_voice_->setObjectName(QStringLiteral("ownVoice"));
  own_voice_->setAccessibleName(QStringLiteral("Eigene Stimme der Figur behalten"));
  character_voice_ = new QComboBox;
  character_voice_->setObjectName(QStringLiteral("characterVoice"));
  character_voice_->setAccessibleName(QStringLiteral("Stimme der Figur"));

  position_ = new QLabel;
  position_->setObjectName(QStringLiteral("position"));
  forget_position_ = new QPushButton(QStringLiteral("Position &vergessen"));
  forget_position_->setObjectName(QStringLiteral("forgetPosition"));
  forget_position_->setAccessibleName(QStringLiteral("Gespeicherte Position der Figur vergessen"));
  auto* position_row = new QHBoxLayout;
  position_row->addWidget(position_, 1);
  position_row->addWidget(forget_position_);

  auto* form = new QFormLayout(group);
  form->addRow(BuddyLabel(QStringLiteral("Figur&datei:"), character_file_), file_row);
  form->addRow(preview_row);
  form->addRow(own_voice_);
  form->addRow(BuddyLabel(QStringLiteral("Stimme der Fig&ur:"), character_voice_),
               character_voice_);
  form->addRow(BuddyLabel(QStringLiteral("Gespeicherte Position:"), forget_position_),
               position_row);

  connect(character_file_, &QLineEdit::textChanged, this, &SettingsDialog::OnCharacterFileChanged);
  connect(choose_file_, &QPushButton::clicked, this, &SettingsDialog::ChooseCharacterFile);
  connect(own_voice_, &QCheckBox::toggled, this, &SettingsDialog::OnOwnVoiceToggled);
  connect(character_voice_, &QComboBox::currentIndexChanged, this, &SettingsDialog::UpdateStates);
  connect(character_voice_, &QComboBox::activated, this,
          [this] { voice_chosen_for_user_ = false; });
  connect(forget_position_, &QPushButton::clicked, this, &SettingsDialog::ForgetPosition);
  return group;
}

QGroupBox* SettingsDialog::BuildPlainVoiceGroup() {
  auto* group = new QGroupBox(QStringLiteral("Sprachausgabe ohne Figur"));
  plain_voice_ = new QComboBox;
  plain_voice_->setObjectName(QStringLiteral("plainVoice"));
  plain_voice_->setAccessibleName(QStringLiteral("Stimme der Sprachausgabe ohne Figur"));
  runtime_hint_ = new QLabel;
  runtime_hint_->setObjectName(QStringLiteral("runtimeHint"));
  runtime_hint_->setWordWrap(true);
  auto* form = new QFormLayout(group);
  form->addRow(BuddyLabel(QStringLiteral("St&imme:"), plain_voice_), plain_voice_);
  form->addRow(runtime_hint_);
  connect(plain_voice_, &QComboBox::currentIndexChanged, this, &SettingsDialog::UpdateStates);
  return group;
}

SettingsDialog::NumberControl SettingsDialog::MakeNumber(const QString& name, int low, int high,
                                                         const QString& suffix) {
  NumberControl control;
  control.spin = new QSpinBox;
  control.spin->setObjectName(name);
  control.spin->setRange(low, high);
  control.spin->setSuffix(suffix);
  control.spin->setSpecialValueText(kUnset);
  control.slider = new QSlider(Qt::Horizontal);
  control.slider->setObjectName(name + QStringLiteral("Slider"));
  control.slider->setRange(low, high);
  QSpinBox* spin = control.spin;
  QSlider* slider = control.slider;
  connect(slider, &QSlider::valueChanged, spin, [spin](int value) { spin->setValue(value); });
  connect(spin, &QSpinBox::valueChanged, slider, [slider](int value) {
    if (value >= slider->minimum()) slider->setValue(value);
  });
  connect(spin, &QSpinBox::valueChanged, this, &SettingsDialog::UpdateStates);
  return control;
}

QGroupBox* SettingsDialog::BuildSpeechGroup() {
  auto* group = new QGroupBox(QStringLiteral("Sprechweise"));
  speed_ = MakeNumber(QStringLiteral("speed"), xvoice::kMinSpeed, xvoice::kMaxSpeed,
                      QStringLiteral(" Wörter/min"));
  pitch_ = MakeNumber(QStringLiteral("pitch"), xvoice::kMinPitch, xvoice::kMaxPitch,
                      QStringLiteral(" Hz"));
  volume_left_ = MakeNumber(QStringLiteral("volumeLeft"), 0, 100, QStringLiteral(" %"));
  volume_right_ = MakeNumber(QStringLiteral("volumeRight"), 0, 100, QStringLiteral(" %"));
  speed_.stored = &stored_.speed;
  pitch_.stored = &stored_.pitch;
  volume_left_.stored = &stored_.volume_left;
  volume_right_.stored = &stored_.volume_right;
  auto* form = new QFormLayout(group);
  const std::pair<NumberControl*, QString> rows[] = {
      {&speed_, QStringLiteral("&Tempo")},
      {&pitch_, QStringLiteral("Ton&höhe")},
      {&volume_left_, QStringLiteral("Lautstärke &links")},
      {&volume_right_, QStringLiteral("Lautstärke &rechts")}};
  for (const auto& [control, caption] : rows) {
    QString plain = caption;
    plain.remove(QLatin1Char('&'));
    control->spin->setAccessibleName(plain);
    control->slider->setAccessibleName(plain + QStringLiteral(", Schieberegler"));
    auto* row = new QHBoxLayout;
    row->addWidget(control->slider, 1);
    row->addWidget(control->spin);
    form->addRow(BuddyLabel(caption + QLatin1Char(':'), control->spin), row);
  }
  speech_hint_ = new QLabel;
  speech_hint_->setObjectName(QStringLiteral("speechHint"));
  speech_hint_->setWordWrap(true);
  form->addRow(speech_hint_);
  sample_ = new QPushButton(QStringLiteral("&Probe hören"));
  sample_->setObjectName(QStringLiteral("sample"));
  sample_->setAccessibleName(QStringLiteral("Probe hören"));
  sample_status_ = new QLabel;
  sample_status_->setObjectName(QStringLiteral("sampleStatus"));
  sample_status_->setWordWrap(true);
  auto* sample_row = new QHBoxLayout;
  sample_row->addWidget(sample_);
  sample_row->addWidget(sample_status_, 1);
  form->addRow(sample_row);
  connect(sample_, &QPushButton::clicked, this, &SettingsDialog::SpeakSample);
  return group;
}

void SettingsDialog::ShowNumber(NumberControl* control, const Stored<std::int32_t>& stored,
                                std::optional<int> shown) {
  control->can_be_unset = !shown;
  control->spin->setToolTip(StateTip(stored.state));
  if (control->can_be_unset) {
    control->spin->setMinimum(control->slider->minimum() - 1);
    control->spin->setValue(control->spin->minimum());
  } else {
    control->spin->setValue(*shown);
  }
}

void SettingsDialog::ShowSpeechHint() {
  const std::pair<const NumberControl*, QString> rows[] = {
      {&speed_, QStringLiteral("Tempo")},
      {&pitch_, QStringLiteral("Tonhöhe")},
      {&volume_left_, QStringLiteral("Lautstärke links")},
      {&volume_right_, QStringLiteral("Lautstärke rechts")}};
  QStringList missing;
  QStringList wrong_type;
  for (const auto& [control, caption] : rows) {
    if (control->stored->state == ValueState::kMissing) missing << caption;
    if (control->stored->state == ValueState::kWrongType) wrong_type << caption;
  }
  QStringList lines;
  if (missing.size() == static_cast<int>(std::size(rows))) {
    lines << QStringLiteral(
        "Nicht gespeichert: Angezeigt sind die Standardwerte der Sprachausgabe.");
  } else if (!missing.isEmpty()) {
    lines << QStringLiteral(
                 "Nicht gespeichert (angezeigt ist der Standardwert der "
                 "Sprachausgabe): ") +
                 missing.join(QStringLiteral(", ")) + QLatin1Char('.');
  }
  if (!wrong_type.isEmpty()) {
    lines << QStringLiteral(
                 "Mit falschem Typ gespeichert (angezeigt ist der Standardwert; der "
                 "gespeicherte Wert bleibt, bis Sie die Sprechweise ändern): ") +
                 wrong_type.join(QStringLiteral(", ")) + QLatin1Char('.');
  }
  if (!lines.isEmpty()) {
    lines << QStringLiteral(
        "Eine Änderung speichert alle vier Werte: Die Figur übernimmt sie nur "
        "zusammen.");
  }
  speech_hint_->setText(lines.join(QLatin1Char('\n')));
  speech_hint_->setVisible(!lines.isEmpty());
}

void SettingsDialog::FillVoices(QComboBox* combo, bool by_id) {
  if (runtime_ == nullptr) return;
  for (const VoiceEntry& entry : VoiceEntries(runtime_->Voices())) {
    const Voice& voice = *entry.voice;
    combo->addItem(entry.text, by_id ? QVariant(voice.mode_id) : QVariant(voice.mode));
    combo->setItemData(combo->count() - 1, entry.details, Qt::ToolTipRole);
  }
}

void SettingsDialog::ShowStored() {
  // Output: without the key the program runs with the character; a key
  // without a readable "noAgent" makes it run without.
  if (!stored_.key_exists) {
    with_character_->setChecked(true);
  } else if (stored_.no_agent.present()) {
    (stored_.no_agent.value ? without_character_ : with_character_)->setChecked(true);
  } else {
    without_character_->setChecked(true);
    output_hint_->setText(
        stored_.no_agent.state == ValueState::kWrongType
            ? QStringLiteral("Mit falschem Typ gespeichert: Das Programm spricht darum ohne Figur.")
            : QStringLiteral(
                  "Nicht gespeichert: Ohne diesen Wert spricht das Programm ohne Figur."));
    output_hint_->setToolTip(StateTip(stored_.no_agent.state));
  }
  output_hint_->setVisible(!output_hint_->text().isEmpty());
  ShowCheck(english_, stored_.is_english, false);

  // The file: a wrong type shows empty, like a missing value, but says so.
  character_file_->setText(QString::fromStdString(stored_.agent_file.value));
  character_file_->setPlaceholderText(stored_.agent_file.state == ValueState::kWrongType
                                          ? kUnset + QStringLiteral(" (falscher Typ)")
                                          : QStringLiteral("Standardfigur"));
  character_file_->setToolTip(StateTip(stored_.agent_file.state));
  OnCharacterFileChanged();

  ShowCheck(own_voice_, stored_.use_standard_mode, true);
  if (stored_.mode_id.state == ValueState::kWrongType) {
    character_voice_->addItem(QStringLiteral("Eigene Stimme der Figur (falscher Typ gespeichert)"),
                              QVariant());
  }
  character_voice_->addItem(QStringLiteral("Keine (eigene Stimme der Figur)"), QString());
  FillVoices(character_voice_, true);
  int voice_index = 0;
  if (stored_.mode_id.present() && !stored_.mode_id.value.empty()) {
    // The program wraps the stored id in braces itself, so only the case
    // may differ for a voice to match.
    const QString id = QString::fromStdString(stored_.mode_id.value);
    voice_index = -1;
    for (int i = 0; i < character_voice_->count() && voice_index < 0; ++i) {
      const QVariant data = character_voice_->itemData(i);
      if (data.isValid() && data.toString().compare(id, Qt::CaseInsensitive) == 0) voice_index = i;
    }
    if (voice_index < 0) {
      character_voice_->addItem(QStringLiteral("Unbekannte Stimme %1").arg(id), id);
      voice_index = character_voice_->count() - 1;
    }
  }
  character_voice_->setCurrentIndex(voice_index);

  const bool has_position = stored_.position_x.state != ValueState::kMissing ||
                            stored_.position_y.state != ValueState::kMissing;
  if (stored_.position_x.present() && stored_.position_y.present()) {
    position_->setText(
        QStringLiteral("%1, %2").arg(stored_.position_x.value).arg(stored_.position_y.value));
  } else {
    position_->setText(has_position ? QStringLiteral("nicht lesbar") : QStringLiteral("keine"));
  }
  forget_position_->setEnabled(has_position);

  // Without a readable mode the control speaks with its default voice.
  if (stored_.current_mode.state == ValueState::kWrongType) {
    plain_voice_->addItem(QStringLiteral("Standardstimme (falscher Typ gespeichert)"), 0);
  }
  plain_voice_->addItem(QStringLiteral("Standardstimme (Deutsch)"), 0);
  FillVoices(plain_voice_, false);
  if (stored_.current_mode.present()) {
    int index = plain_voice_->findData(stored_.current_mode.value);
    if (index < 0) {
      plain_voice_->addItem(
          QStringLiteral("Stimme Nr. %1 (nicht vorhanden)").arg(stored_.current_mode.value),
          stored_.current_mode.value);
      index = plain_voice_->count() - 1;
    }
    plain_voice_->setCurrentIndex(index);
  }
  plain_voice_->setToolTip(StateTip(stored_.current_mode.state));
  if (runtime_ == nullptr || !runtime_->Available()) {
    runtime_hint_->setText(QStringLiteral("Das Sprachsystem fehlt; es werden keine Stimmen "
                                          "angeboten.") +
                           (runtime_ != nullptr && !runtime_->Problem().isEmpty()
                                ? QStringLiteral(" (") + runtime_->Problem() + QLatin1Char(')')
                                : QString()));
  }
  runtime_hint_->setVisible(!runtime_hint_->text().isEmpty());

  // Unstored values show what the speech runtime starts with.
  const SampleValues start = runtime_ != nullptr ? runtime_->StartValues() : SampleValues{};
  auto value = [](const Stored<std::int32_t>& stored, std::optional<std::int32_t> fallback) {
    return stored.present() ? std::optional<std::int32_t>(stored.value) : fallback;
  };
  auto clamped = [](std::optional<std::int32_t> v, int low, int high) {
    return v ? std::optional<int>(std::clamp(*v, low, high)) : std::nullopt;
  };
  auto percent = [](std::optional<std::int32_t> v) {
    return v ? std::optional<int>(VolumePercent(*v)) : std::nullopt;
  };
  ShowNumber(&speed_, stored_.speed,
             clamped(value(stored_.speed, start.speed), xvoice::kMinSpeed, xvoice::kMaxSpeed));
  ShowNumber(&pitch_, stored_.pitch,
             clamped(value(stored_.pitch, start.pitch), xvoice::kMinPitch, xvoice::kMaxPitch));
  ShowNumber(&volume_left_, stored_.volume_left,
             percent(value(stored_.volume_left, start.volume_left)));
  ShowNumber(&volume_right_, stored_.volume_right,
             percent(value(stored_.volume_right, start.volume_right)));
  ShowSpeechHint();
  Remember();
}

void SettingsDialog::Remember() {
  output_baseline_ = output_->checkedId();
  english_baseline_ = english_->checkState();
  file_baseline_ = character_file_->text();
  own_voice_baseline_ = own_voice_->checkState();
  character_voice_baseline_ = character_voice_->currentIndex();
  plain_voice_baseline_ = plain_voice_->currentIndex();
  for (NumberControl* control : {&speed_, &pitch_, &volume_left_, &volume_right_}) {
    control->baseline = control->spin->value();
  }
  forget_position_pending_ = false;
  voice_chosen_for_user_ = false;
}

void SettingsDialog::ChainTabOrder() {
  QWidget* order[] = {with_character_,
                      without_character_,
                      english_,
                      character_file_,
                      choose_file_,
                      own_voice_,
                      character_voice_,
                      forget_position_,
                      plain_voice_,
                      speed_.slider,
                      speed_.spin,
                      pitch_.slider,
                      pitch_.spin,
                      volume_left_.slider,
                      volume_left_.spin,
                      volume_right_.slider,
                      volume_right_.spin,
                      sample_,
                      buttons_};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

std::vector<SettingChange> SettingsDialog::Changes() const {
  std::vector<SettingChange> changes;
  const int output = output_->checkedId();
  if (output != output_baseline_ && output >= 0) {
    changes.push_back(SettingChange::Boolean(kNoAgentValue, output == kWithoutCharacter));
  }
  if (english_->checkState() != english_baseline_) {
    changes.push_back(
        SettingChange::Boolean(kIsEnglishValue, english_->checkState() == Qt::Checked));
  }
  if (character_file_->text() != file_baseline_) {
    changes.push_back(
        SettingChange::String(kAgentFromFileSystemValue, character_file_->text().toStdString()));
  }
  if (forget_position_pending_) {
    changes.push_back(SettingChange::Delete(kAgentLastPositionXValue));
    changes.push_back(SettingChange::Delete(kAgentLastPositionYValue));
  }
  const std::pair<const NumberControl*, const char*> numbers[] = {{&speed_, kSpeedValue},
                                                                  {&volume_left_, kVolumeLValue},
                                                                  {&volume_right_, kVolumeRValue},
                                                                  {&pitch_, kPitchValue}};
  const bool speech_moved = SpeechMoved();
  for (const auto& [control, name] : numbers) {
    // With one moved, those not stored yet are written as shown.
    const bool write =
        control->Moved() || (speech_moved && control->IsSet() && !control->stored->present());
    if (!write) continue;
    const bool volume = control == &volume_left_ || control == &volume_right_;
    const int value = control->spin->value();
    changes.push_back(SettingChange::Integer(name, volume ? VolumeLevel(value) : value));
  }
  const QVariant mode = plain_voice_->currentData();
  // Without the character the program sets speed, volume and pitch only
  // after a readable mode.
  const bool mode_needed = speech_moved && !stored_.current_mode.present();
  if ((plain_voice_->currentIndex() != plain_voice_baseline_ || mode_needed) && mode.isValid()) {
    changes.push_back(SettingChange::Integer(kCurrentModeValue, mode.toInt()));
  }
  const QVariant mode_id = character_voice_->currentData();
  if (character_voice_->currentIndex() != character_voice_baseline_ && mode_id.isValid()) {
    changes.push_back(SettingChange::String(kModeIdValue, mode_id.toString().toStdString()));
  }
  if (own_voice_->checkState() != own_voice_baseline_) {
    changes.push_back(
        SettingChange::Boolean(kUseStandardModeValue, own_voice_->checkState() == Qt::Checked));
  }
  return changes;
}

bool SettingsDialog::Apply() {
  const std::vector<SettingChange> changes = Changes();
  std::string error;
  if (!WriteSettingChanges(changes, &error)) {
    ShowErrorDialog("Die Einstellungen konnten nicht gespeichert werden.\n" + error);
    return false;
  }
  if (forget_position_pending_) position_->setText(QStringLiteral("keine"));
  // What is stored now decides what the next change writes.
  if (!changes.empty()) stored_ = ReadStoredSettings();
  if (stored_.no_agent.present()) output_hint_->clear();
  ShowSpeechHint();
  Remember();
  UpdateStates();
  return true;
}

void SettingsDialog::OnCharacterFileChanged() {
  const CharacterPreview preview = PreviewCharacter(character_file_->text().trimmed());
  character_voice_language_ = preview.voice;
  if (!preview.loaded) {
    character_picture_->setPixmap(QPixmap());
    character_picture_->setText(QStringLiteral("?"));
    character_name_->setText(preview.error);
  } else {
    QImage picture = preview.picture.scaled(kPictureSide, kPictureSide, Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation);
    character_picture_->setPixmap(QPixmap::fromImage(picture));
    const QString which =
        character_file_->text().trimmed().isEmpty() ? QStringLiteral("Standardfigur: ") : QString();
    character_name_->setText(which + preview.name);
  }
  character_name_->setToolTip(preview.file);
  UpdateStates();
}

void SettingsDialog::ChooseCharacterFile() {
  QString start = character_file_->text().trimmed();
  if (start.isEmpty()) start = QString::fromStdString(SystemDir()) + QStringLiteral("agent/chars");
  const QString file =
      QFileDialog::getOpenFileName(this, QStringLiteral("Figurdatei auswählen"), start,
                                   QStringLiteral("Figuren (*.ac*);;Alle Dateien (*)"));
  if (!file.isEmpty()) character_file_->setText(file);
}

void SettingsDialog::ForgetPosition() {
  forget_position_pending_ = true;
  position_->setText(QStringLiteral("wird vergessen"));
  forget_position_->setEnabled(false);
  UpdateStates();
}

bool SettingsDialog::DirectMode() const { return output_->checkedId() == kWithoutCharacter; }

bool SettingsDialog::SpeechMoved() const {
  return speed_.Moved() || pitch_.Moved() || volume_left_.Moved() || volume_right_.Moved();
}

std::int32_t SettingsDialog::OwnVoiceMode() const {
  // The character server's choice: the voice of the character file, else
  // the first voice of the character's language.
  const QString own = !character_voice_language_.isEmpty()
                          ? character_voice_language_.section(QLatin1Char('/'), -1)
                          : (english_->isChecked() ? QStringLiteral("en") : QStringLiteral("de"));
  return runtime_ != nullptr ? runtime_->ModeOfLanguage(own) : 0;
}

void SettingsDialog::OnOwnVoiceToggled() {
  if (own_voice_->isChecked()) {
    if (voice_chosen_for_user_) character_voice_->setCurrentIndex(character_voice_baseline_);
    voice_chosen_for_user_ = false;
  } else if (character_voice_->currentData().toString().isEmpty()) {
    // "Keine" next to an unticked box would contradict it: offer the voice
    // the character speaks with now.
    int index = -1;
    const std::int32_t mode = OwnVoiceMode();
    if (mode > 0) index = character_voice_->findData(runtime_->Voices()[mode - 1].mode_id);
    for (int i = 0; i < character_voice_->count() && index < 0; ++i) {
      if (!character_voice_->itemData(i).toString().isEmpty()) index = i;
    }
    if (index >= 0) {
      character_voice_->setCurrentIndex(index);
      voice_chosen_for_user_ = true;
    }
  }
  UpdateStates();
}

SampleValues SettingsDialog::SampleShown() const {
  // What the key will hold once the changes are written.
  const std::vector<SettingChange> changes = Changes();
  auto stored_after = [&](const NumberControl& control, const char* name, bool volume) {
    std::optional<std::int32_t> value;
    if (control.IsSet() && (control.stored->present() || Names(changes, name))) {
      value = volume ? VolumeLevel(control.spin->value()) : control.spin->value();
    }
    return value;
  };
  SampleValues shown;
  shown.speed = stored_after(speed_, kSpeedValue, false);
  shown.pitch = stored_after(pitch_, kPitchValue, false);
  shown.volume_left = stored_after(volume_left_, kVolumeLValue, true);
  shown.volume_right = stored_after(volume_right_, kVolumeRValue, true);
  const QVariant mode = plain_voice_->currentData();
  if (mode.isValid() && (stored_.current_mode.present() || Names(changes, kCurrentModeValue))) {
    shown.mode = mode.toInt();
  }
  return shown;
}

void SettingsDialog::SpeakSample() {
  if (runtime_ == nullptr || !runtime_->Available()) {
    sample_status_->setText(QStringLiteral("Das Sprachsystem fehlt."));
    return;
  }
  SampleValues shown = SampleShown();
  SampleValues values;
  bool english = false;
  if (DirectMode()) {
    values = DirectModeValues(shown);
  } else {
    // The character speaks with the chosen voice only when it does not keep
    // its own.
    english = english_->isChecked();
    const QString mode_id = character_voice_->currentData().toString();
    shown.mode = !own_voice_->isChecked() && !mode_id.isEmpty() ? runtime_->ModeOfId(mode_id)
                                                                : OwnVoiceMode();
    values = CharacterModeValues(shown);
  }
  const QString text = english ? QStringLiteral("Hello! This is how I sound with these settings.")
                               : QStringLiteral("Hallo! So klinge ich mit diesen Einstellungen.");
  if (runtime_->SpeakSample(text, values)) {
    sample_status_->clear();
  } else {
    sample_status_->setText(QStringLiteral("Die Probe konnte nicht gesprochen werden: ") +
                            runtime_->Problem());
  }
}

void SettingsDialog::UpdateStates() {
  if (buttons_ == nullptr) return;
  // The program takes "ModeID" only when the character does not keep its
  // own voice.
  character_voice_->setEnabled(!own_voice_->isChecked());
  output_hint_->setVisible(output_->checkedId() == output_baseline_ &&
                           !output_hint_->text().isEmpty());
  buttons_->button(QDialogButtonBox::Apply)->setEnabled(!Changes().empty());
}

}  // namespace parlotto::vsettings
