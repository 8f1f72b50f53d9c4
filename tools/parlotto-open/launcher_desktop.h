// The desktop as the launcher really uses it: the programs beside it, the
// file dialog, message boxes and the window manager's window in front.
#pragma once

#include <cstdint>
#include <memory>

#include "parlotto-open/chooser_window.h"
#include "parlotto-open/front_window.h"

namespace parlotto {

class LauncherDesktop : public ChooserDesktop {
 public:
  // Problems always go to stderr; with `boxes` also to a message box.
  explicit LauncherDesktop(bool boxes);
  ~LauncherDesktop() override;

  // Notes the window in front before the chooser covers it, to ask for it
  // again should the window manager put nothing in front when it goes.
  void RememberFront();

  bool Start(const QString& program, const QStringList& arguments) override;
  QString AskForFile(QWidget* parent) override;
  void Tell(const QString& problem) override;
  void HandBackFront(WId chooser, std::function<void()> then) override;

 private:
  // One look at the window in front: true once a window other than the
  // chooser is there, or the wait is over.
  bool FrontIsBack(std::uint32_t chooser, qint64 waited_ms, bool* asked);

  bool boxes_;
  std::unique_ptr<FrontWindow> front_;
  std::uint32_t front_before_ = 0;
};

}  // namespace parlotto
