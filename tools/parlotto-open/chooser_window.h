// The small window that the menu entry opens: what shall be read, or the
// settings. Each choice starts the program with the matching switch.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace parlotto {

// What the chooser asks of the desktop. Abstract so that tests can see what
// it would start; the real one is LauncherDesktop.
class ChooserDesktop {
 public:
  virtual ~ChooserDesktop() = default;
  // Starts `program` from the launcher's directory with `arguments`, not
  // waiting for it. False when it cannot be started; the user has been told.
  virtual bool Start(const QString& program, const QStringList& arguments) = 0;
  // The file the user picks to be read; empty when the user cancels.
  virtual QString AskForFile(QWidget* parent) = 0;
  virtual void Tell(const QString& problem) = 0;
  // Called with the chooser hidden: waits until the window manager has put
  // another window in front of the chooser's place, then calls `then`.
  virtual void HandBackFront(WId chooser, std::function<void()> then) = 0;
};

class ChooserWindow : public QDialog {
 public:
  explicit ChooserWindow(ChooserDesktop* desktop, QWidget* parent = nullptr);

 private:
  void ReadClipboard();
  void ReadBrowserWindow();
  void ReadFile();
  void OpenSettings();
  // Closes the chooser once the program runs; shows it again otherwise.
  void StartAndClose(const QString& program, const QStringList& arguments);

  ChooserDesktop* desktop_;
};

}  // namespace parlotto
