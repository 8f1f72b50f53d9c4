// The four dialogs that tell the user which speech component is missing,
// each with a link to its installer and an "Ok" button.
#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QStringList>

class QLabel;
class QPushButton;

namespace parlotto {

class THTMLabel;

struct ErrorDialogLayout {
  const char* caption;
  bool sizeable;  // else a fixed dialog frame
  QSize size;
  bool outer_size;  // `size` includes the frame
  QRect label;
  QRect image;
  QRect button;
  const char* markup;
  QStringList link_paths;  // on the maker's server, opened in this order
};

class TErrorDialog : public QDialog {
 public:
  explicit TErrorDialog(const ErrorDialogLayout& layout);

  // Shows the dialog modally (or records it, see platform/dialogs.h);
  // returns the modal result.
  int ShowModal();

  void Button1Click();
  void HTMLabel1AnchorClick(const QString& anchor);

  THTMLabel* HTMLabel1;
  QLabel* Image1;
  QPushButton* Button1;

 private:
  QStringList links_;
};

class TFehlerMeldungSAPI : public TErrorDialog {
 public:
  TFehlerMeldungSAPI();
};
class TFehlerMeldungTTS : public TErrorDialog {
 public:
  TFehlerMeldungTTS();
};
class TFehlerMeldungAGENT : public TErrorDialog {
 public:
  TFehlerMeldungAGENT();
};
class TFehlerMeldungAGENTS : public TErrorDialog {
 public:
  TFehlerMeldungAGENTS();
};

// The instances while they are shown.
extern TFehlerMeldungSAPI* FehlerMeldungSAPI;
extern TFehlerMeldungTTS* FehlerMeldungTTS;
extern TFehlerMeldungAGENT* FehlerMeldungAGENT;
extern TFehlerMeldungAGENTS* FehlerMeldungAGENTS;

}  // namespace parlotto
