#include "parlotto/ui/dialogs/error_dialog.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

#include "parlotto/ui/dialogs/dialog_parts.h"
#include "parlotto/ui/error_dialogs.h"
#include "parlotto/ui/htmlabel.h"
#include "platform/gui/dialogs.h"

namespace parlotto {

TFehlerMeldungSAPI* FehlerMeldungSAPI = nullptr;
TFehlerMeldungTTS* FehlerMeldungTTS = nullptr;
TFehlerMeldungAGENT* FehlerMeldungAGENT = nullptr;
TFehlerMeldungAGENTS* FehlerMeldungAGENTS = nullptr;

namespace {

constexpr int kModalResultCancel = 2;

const ErrorDialogLayout kSapi{
    "SAPI nicht installiert!",
    false,
    {373, 144},
    false,
    {8, 32, 353, 57},
    {16, 80, 50, 50},
    {152, 104, 75, 25},
    "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist SAPI nicht installiert. Das Programm "
    "kann deshalb nicht ausgeführt werden. Um SAPI auf ihrem System zu installieren, folgen Sie "
    "bitte <A href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>",
    {"/downloads/ms/spchapi.exe"}};

const ErrorDialogLayout kTts{
    "TTS nicht installiert!",
    true,
    {359, 172},
    true,
    {-2, 24, 353, 81},
    {16, 80, 50, 50},
    {136, 104, 75, 25},
    "<B><P align=\"center\"><IMG src=\"speak\"><FONT face=\"Tahoma\">Leider ist auf Ihrem System "
    "keine TextToSpeech Engine installiert. Das Programm kann deshalb nicht ausgeführt werden. Um "
    "mindestens eine TTS auf Ihrem System zu installieren, folgen Sie bitte <A href=\"TTS\">diesem "
    "Link.</A></FONT></P></B>",
    {"/downloads/ms/TTS3000.exe"}};

const ErrorDialogLayout kAgent{
    "MS Agent nicht installiert!",
    true,
    {363, 177},
    true,
    {2, 24, 353, 57},
    {16, 80, 50, 50},
    {144, 104, 75, 25},
    "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist ist die Microsoft® Agent Technologie "
    "bai Ihnen nicht installiert. Das Programm kann deshalb nicht ausgeführt werden. Um MS Agent "
    "auf ihrem System zu installieren folgen Sie bitte <A href=\"SAPIINSTALL\">diesem "
    "Link.</A></FONT></P></B>",
    {"/downloads/ms/MSagent.exe", "/downloads/ms/AgtX0407.exe"}};

const ErrorDialogLayout kAgents{
    "mindestens eine Figur muß installiert sein.",
    true,
    {379, 171},
    true,
    {8, 16, 353, 73},
    {16, 80, 50, 50},
    {152, 104, 75, 25},
    "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider sind auf Ihrem System keine Microsoft "
    "Agenten (Figuren) installiert. Das Programm kann deshalb nicht ausgeführt werden. Um SAPI auf "
    "ihrem System zu installieren folgen Sie bitte <A href=\"SAPIINSTALL\">diesem "
    "Link.</A></FONT></P></B> Mit dem Link werden zwei Agenten installiert (Peedy und Merlin).",
    {"/downloads/ms/Merlin.exe", "/downloads/ms/Peedy.exe"}};

template <typename Dialog>
void ShowAndDestroy(Dialog*& instance) {
  instance = new Dialog;
  try {
    instance->ShowModal();
  } catch (...) {
    delete instance;
    instance = nullptr;
    throw;
  }
  delete instance;
  instance = nullptr;
}

}  // namespace

TErrorDialog::TErrorDialog(const ErrorDialogLayout& layout) : QDialog(nullptr, kDialogFlags) {
  setWindowTitle(QString::fromUtf8(layout.caption));
  ApplyFormFont(this);
  setModal(true);
  QSize client = layout.outer_size ? ClientForOuterSize(layout.size) : layout.size;
  if (layout.sizeable) {
    resize(client);
  } else {
    setFixedSize(client);
  }
  HTMLabel1 = CreateHTMLabel1(this, layout.label, QString::fromUtf8(layout.markup));
  Image1 = CreateImage1(this, layout.image);
  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  QFont button_font(QStringLiteral("Tahoma"));
  button_font.setPointSize(8);
  Button1->setFont(button_font);
  Button1->setGeometry(layout.button);
  Button1->setDefault(true);
  Button1->setFocus();
  for (const QString& path : layout.link_paths) links_ << QLatin1String(kMakerSite) + path;
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(HTMLabel1, &THTMLabel::OnAnchorClick, this,
          [this](const QString& anchor) { HTMLabel1AnchorClick(anchor); });
  CentreOnDesktop(this);
}

int TErrorDialog::ShowModal() {
  if (DialogsRecorded()) {
    RecordDialog(windowTitle().toStdString(), HTMLabel1->GetText().toStdString());
    return kModalResultCancel;
  }
  return exec();
}

void TErrorDialog::Button1Click() { done(kModalResultCancel); }

void TErrorDialog::HTMLabel1AnchorClick(const QString&) { OpenLinks(links_); }

TFehlerMeldungSAPI::TFehlerMeldungSAPI() : TErrorDialog(kSapi) {}
TFehlerMeldungTTS::TFehlerMeldungTTS() : TErrorDialog(kTts) {}
TFehlerMeldungAGENT::TFehlerMeldungAGENT() : TErrorDialog(kAgent) {}
TFehlerMeldungAGENTS::TFehlerMeldungAGENTS() : TErrorDialog(kAgents) {}

void ShowMissingComponentDialog(MissingComponent component) {
  switch (component) {
    case MissingComponent::kAgentServer:
      ShowAndDestroy(FehlerMeldungAGENT);
      break;
    case MissingComponent::kSpeechRuntime:
      ShowAndDestroy(FehlerMeldungSAPI);
      break;
    case MissingComponent::kSpeechEngine:
      ShowAndDestroy(FehlerMeldungTTS);
      break;
    case MissingComponent::kCharacters:
      ShowAndDestroy(FehlerMeldungAGENTS);
      break;
  }
}

}  // namespace parlotto
