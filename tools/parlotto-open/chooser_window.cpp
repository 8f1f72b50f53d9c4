#include "parlotto-open/chooser_window.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <utility>

#include "launch_choice/launch_choice.h"

namespace parlotto {
namespace {

const QString kProgram = QStringLiteral("parlotto");
const QString kSettingsProgram = QStringLiteral("VSettings");

struct Choice {
  const char* text;
  void (ChooserWindow::*action)();
};

}  // namespace

ChooserWindow::ChooserWindow(ChooserDesktop* desktop, QWidget* parent)
    : QDialog(parent), desktop_(desktop) {
  setWindowTitle(QStringLiteral("Parlotto"));
  setWindowIcon(QIcon::fromTheme(QStringLiteral("parlotto")));
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  auto* question = new QLabel(QStringLiteral("Was soll Parlotto vorlesen?"));
  layout->addWidget(question);

  const std::array readings{
      Choice{"&Zwischenablage vorlesen", &ChooserWindow::ReadClipboard},
      Choice{"&Browserfenster vorlesen", &ChooserWindow::ReadBrowserWindow},
      Choice{"&Datei vorlesen …", &ChooserWindow::ReadFile},
  };
  auto add = [this, layout](const Choice& choice) {
    auto* button = new QPushButton(QString::fromUtf8(choice.text));
    button->setMinimumWidth(240);
    connect(button, &QPushButton::clicked, this,
            [this, action = choice.action] { (this->*action)(); });
    layout->addWidget(button);
  };
  for (const Choice& choice : readings) add(choice);
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  layout->addWidget(line);
  add(Choice{"&Einstellungen", &ChooserWindow::OpenSettings});
}

void ChooserWindow::ReadClipboard() { StartAndClose(kProgram, {QStringLiteral("-c")}); }

void ChooserWindow::ReadBrowserWindow() {
  // The program reads the window in front; while the chooser is there, that
  // is the chooser. It goes first, and the program starts once the browser
  // is in front again.
  hide();
  desktop_->HandBackFront(winId(), [this] { StartAndClose(kProgram, {QStringLiteral("-e")}); });
}

void ChooserWindow::ReadFile() {
  const QString file = desktop_->AskForFile(this);
  if (file.isEmpty()) return;
  const LaunchChoice choice = ChooseLaunch(file);
  if (choice.arguments.isEmpty()) {
    desktop_->Tell(choice.problem);
    return;
  }
  StartAndClose(kProgram, choice.arguments);
}

void ChooserWindow::OpenSettings() { StartAndClose(kSettingsProgram, {}); }

void ChooserWindow::StartAndClose(const QString& program, const QStringList& arguments) {
  if (desktop_->Start(program, arguments)) {
    accept();
  } else {
    show();
  }
}

}  // namespace parlotto
