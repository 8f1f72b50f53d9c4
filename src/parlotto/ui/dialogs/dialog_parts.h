// What the program's small windows have in common: the lips picture, the
// label settings, the default font, placement, and the maker's addresses.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

namespace parlotto {

class THTMLabel;

// Frames. A dialog: caption and close box, no minimise or maximise box. A
// tool window: a small caption with only a close box.
inline constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
inline constexpr Qt::WindowFlags kToolWindowFlags =
    Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// The maker's web server (the installers and the home page).
inline constexpr const char* kMakerSite = "https://www.zentravol.example";

// The form's font: "MS Sans Serif" at 8 points; the desktop's fonts stand in.
void ApplyFormFont(QWidget* form);

// `Image1`: the lips with a speech bubble, 50 x 50, white drawn transparent.
QLabel* CreateImage1(QWidget* form, const QRect& geometry);

// `HTMLabel1` with the settings every window uses.
THTMLabel* CreateHTMLabel1(QWidget* form, const QRect& geometry, const QString& markup);

// Opens each address through the shell, in order, with the window as owner.
void OpenLinks(const QStringList& addresses);

// Centres `form` on the primary screen's desktop area.
void CentreOnDesktop(QWidget* form);

// The client size for an outer size with a sizeable frame: the frame the
// windows were laid out with is 4 pixels wide with a 23 pixel caption.
QSize ClientForOuterSize(const QSize& outer);

}  // namespace parlotto
