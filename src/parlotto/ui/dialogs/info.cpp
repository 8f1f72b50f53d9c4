#include "parlotto/ui/dialogs/info.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>

#include "parlotto/ui/dialogs/dialog_parts.h"
#include "parlotto/ui/htmlabel.h"

namespace parlotto {

TInfo* Info = nullptr;

namespace {

QString InfoMarkup() {
  return QStringLiteral(
             "<IMG src=\"0\"></IMG><P align=\"center\"><FONT face=\"Tahoma\"><B>Parlotto</B><br>"
             "Version " PARLOTTO_VERSION
             "<br>"
             "Das Vorleseprogramm für Linux<br>"
             "© Zentravol 2026<br>"
             "<A href=\"linktome\">") +
         QString::fromLatin1(kMakerSite).section(QStringLiteral("://"), 1) +
         QStringLiteral("</A></FONT></P>");
}

}  // namespace

TInfo::TInfo() : QWidget(nullptr, kToolWindowFlags) {
  setWindowTitle(QStringLiteral("Info"));
  ApplyFormFont(this);
  setFixedSize(331, 128);
  HTMLabel1 = CreateHTMLabel1(this, QRect(48, 32, 233, 81), InfoMarkup());
  Image1 = CreateImage1(this, QRect(16, 32, 49, 57));
  connect(HTMLabel1, &THTMLabel::OnAnchorClick, this,
          [this](const QString& anchor) { HTMLabel1AnchorClick(anchor); });
  CentreOnDesktop(this);
}

void TInfo::ShowInFront() {
  show();
  raise();
  activateWindow();
}

void TInfo::HTMLabel1AnchorClick(const QString&) { OpenLinks({QLatin1String(kMakerSite) + "/"}); }

void TInfo::keyPressEvent(QKeyEvent* event) {
  // There is nothing to choose here: the keys that end a dialog close it.
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      close();
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TInfo::changeEvent(QEvent* event) {
  // A window manager that maximises a window of fixed size anyway (by a
  // double click on its caption) gets it back in its size.
  if (event->type() == QEvent::WindowStateChange &&
      (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
  }
  QWidget::changeEvent(event);
}

void TInfo::closeEvent(QCloseEvent* event) {
  // The window lives as long as the program; closing only hides it.
  hide();
  event->ignore();
}

}  // namespace parlotto
