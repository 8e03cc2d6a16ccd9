#include "platform/ui/BusyCursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace platform {
namespace {

// The cursor functions are static but dereference the GUI application's private state,
// so a bare QCoreApplication is as unusable as none.
bool HaveGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

BusyCursor::BusyCursor() {
  if (!HaveGuiApplication()) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  m_shown = true;
}

BusyCursor::~BusyCursor() {
  // The application may have gone while the guard lived (a guard in main's scope).
  if (m_shown && HaveGuiApplication()) QGuiApplication::restoreOverrideCursor();
}

}  // namespace platform
