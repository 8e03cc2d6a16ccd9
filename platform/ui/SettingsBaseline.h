#pragma once

#include <QCloseEvent>
#include <functional>
#include <string>
#include <utility>

#include "platform/ui/DialogService.h"

namespace platform {

/// The settings as a window last read or wrote them, so that closing it another way than
/// its Quit command asks before a change is lost.
class SettingsBaseline {
 public:
  /// `snapshot` gives what a settings file written now would hold.
  explicit SettingsBaseline(std::function<std::string()> snapshot)
      : m_snapshot(std::move(snapshot)) {}

  /// What the window now holds is what was read or written.
  void Take() { m_taken = m_snapshot(); }
  bool Changed() const { return m_snapshot() != m_taken; }
  /// True when nothing changed, or the user saved (through `save`, true when written) or
  /// chose not to; false when the user cancelled or the save failed.
  bool MayClose(DialogService& dialogs, const std::function<bool()>& save) const {
    return !Changed() || AskToKeepWork(dialogs, SettingsChangedQuestion(), save);
  }

 private:
  std::function<std::string()> m_snapshot;
  std::string m_taken;
};

/// Lets a close go ahead or keeps the window, as `mayClose` says.
inline void CloseIf(QCloseEvent* event, bool mayClose) {
  if (mayClose) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace platform
