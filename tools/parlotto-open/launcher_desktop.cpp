#include "parlotto-open/launcher_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "launch_choice/launch_choice.h"
#include "platform/gui/dialogs.h"

namespace parlotto {
namespace {

constexpr int kPollMs = 50;
// Window managers put the next window in front within a few frames; past
// this, none did so by itself and the launcher asks for the old one.
constexpr int kAskAfterMs = 500;
constexpr int kGiveUpMs = 1500;
// Without X there is nothing to watch; a moment for the compositor instead.
constexpr int kBlindWaitMs = 300;

}  // namespace

LauncherDesktop::LauncherDesktop(bool boxes) : boxes_(boxes) {}

LauncherDesktop::~LauncherDesktop() = default;

void LauncherDesktop::RememberFront() {
  front_ = std::make_unique<FrontWindow>();
  front_before_ = front_->Current();
}

bool LauncherDesktop::Start(const QString& program, const QStringList& arguments) {
  // The programs lie beside the launcher (a link to it is resolved). An
  // argument list, never a shell string: names may hold any character.
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(program);
  if (QProcess::startDetached(path, arguments)) return true;
  Tell(QStringLiteral("„%1“ lässt sich nicht starten.").arg(path));
  return false;
}

QString LauncherDesktop::AskForFile(QWidget* parent) {
  QFileDialog dialog(parent, QStringLiteral("Datei vorlesen"), QDir::homePath());
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Dateien, die Parlotto vorlesen kann (%1)")
                             .arg(ReadableFilePatterns().join(' ')),
                         QStringLiteral("Alle Dateien (*)")});
  // Qt's own dialog speaks English unless told; the desktop's speaks the
  // user's language by itself.
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Vorlesen"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

void LauncherDesktop::Tell(const QString& problem) {
  std::fprintf(stderr, "parlotto-open: %s\n", problem.toLocal8Bit().constData());
  if (boxes_) ShowErrorDialog(problem.toStdString());
}

void LauncherDesktop::HandBackFront(WId chooser, std::function<void()> then) {
  if (!front_ || !front_->Available()) {
    QTimer::singleShot(kBlindWaitMs, std::move(then));
    return;
  }
  const auto own = static_cast<std::uint32_t>(chooser);
  auto* poll = new QTimer;
  QElapsedTimer waited;
  waited.start();
  QObject::connect(poll, &QTimer::timeout, poll,
                   [this, poll, own, waited, asked = false, then = std::move(then)]() mutable {
                     if (!FrontIsBack(own, waited.elapsed(), &asked)) return;
                     poll->stop();
                     poll->deleteLater();
                     then();
                   });
  poll->start(kPollMs);
}

bool LauncherDesktop::FrontIsBack(std::uint32_t chooser, qint64 waited_ms, bool* asked) {
  const std::uint32_t now = front_->Current();
  if (now != 0 && now != chooser) return true;
  if (!*asked && waited_ms >= kAskAfterMs && front_before_ != 0 && front_before_ != chooser) {
    front_->Request(front_before_);
    *asked = true;
  }
  return waited_ms >= kGiveUpMs;
}

}  // namespace parlotto
