#include "parlotto/ui/dialogs/dialog_parts.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <mutex>

#include "parlotto/ui/htmlabel.h"
#include "platform/gui/shell.h"

namespace parlotto {
namespace {

QtMessageHandler g_next_handler = nullptr;

// Where a text needs a font the stand-ins lack, Qt tries every installed
// font and names each that cannot shape the text's script (Type 1 and
// bitmap fonts cannot shape any that needs OpenType); the text is drawn by
// the font that can. Those lines say nothing to the user; all others pass.
void DropFontProbeMessages(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtWarningMsg &&
      message.trimmed().startsWith(QLatin1String("OpenType support missing for"))) {
    return;
  }
  if (g_next_handler != nullptr) g_next_handler(type, context, message);
}

}  // namespace

void ApplyFormFont(QWidget* form) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { g_next_handler = qInstallMessageHandler(DropFontProbeMessages); });
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  form->setFont(font);
}

QLabel* CreateImage1(QWidget* form, const QRect& geometry) {
  auto* image = new QLabel(form);
  image->setObjectName(QStringLiteral("Image1"));
  QPixmap picture(QStringLiteral(":/parlotto/icons/image1.png"));
  picture.setMask(picture.createMaskFromColor(Qt::white, Qt::MaskInColor));
  image->setPixmap(picture);
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  image->setGeometry(geometry);
  return image;
}

THTMLabel* CreateHTMLabel1(QWidget* form, const QRect& geometry, const QString& markup) {
  auto* label = new THTMLabel(form);
  label->setObjectName(QStringLiteral("HTMLabel1"));
  label->setFont(form->font());
  label->SetAnchorHint(false);
  label->SetAutoSizing(false);
  label->SetAutoSizeType(asVertical);
  label->SetEllipsis(false);
  label->SetHover(false);
  label->SetHoverColor(clNone);
  label->SetHoverFontColor(clNone);
  label->SetShadowColor(clGray);
  label->SetShadowOffset(2);
  label->SetURLColor(clBlue);
  label->SetVAlignment(tvaTop);
  label->setGeometry(geometry);
  label->HTMLText().Assign(QStringList{markup});
  return label;
}

void OpenLinks(const QStringList& addresses) {
  for (const QString& address : addresses) {
    ShellExecute(0, "open", address.toStdString(), "", "", SW_SHOW);
  }
}

void CentreOnDesktop(QWidget* form) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect area = screen->availableGeometry();
  QRect frame = form->frameGeometry();
  frame.moveCenter(area.center());
  form->move(frame.topLeft());
}

QSize ClientForOuterSize(const QSize& outer) { return outer - QSize(2 * 4, 23 + 2 * 4); }

}  // namespace parlotto
