#include "platform/ui/Keyboard.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QPushButton>
#include <QWidget>
#include <utility>

namespace platform {

void SetCommandKeys(QWidget* window, const CommandKeys& keys) {
  const std::pair<const QString*, QKeySequence> bindings[] = {
      {&keys.openData, QKeySequence(Qt::CTRL | Qt::Key_O)},
      {&keys.saveFigure, QKeySequence(Qt::CTRL | Qt::Key_S)},
      {&keys.print, QKeySequence(Qt::CTRL | Qt::Key_P)},
      {&keys.quit, QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {&keys.manual, QKeySequence(Qt::Key_F1)},
      {&keys.draw, QKeySequence(Qt::Key_F5)},
  };
  for (const auto& [name, key] : bindings) {
    if (name->isEmpty()) continue;
    if (auto* action = window->findChild<QAction*>(*name)) {
      action->setShortcut(key);
      // The keys work wherever the focus is in the window, also with a menu closed.
      action->setShortcutContext(Qt::WindowShortcut);
    }
  }
}

namespace {

// Sees the Return that a field or a box of the panel left unused and passes it on as a
// press of the button.
class ReturnFilter : public QObject {
 public:
  ReturnFilter(QWidget* panel, QPushButton* button)
      : QObject(panel), m_panel(panel), m_button(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The panel shown (the window opened, or the settings called up) gets the button the
    // focus, so that Return draws at once, unless the user is already in one of its fields;
    // otherwise the focus sits on the sheet, which has no use for Return.
    if (watched == m_panel && event->type() == QEvent::Show &&
        !m_panel->isAncestorOf(QApplication::focusWidget())) {
      m_button->setFocus(Qt::OtherFocusReason);
    }
    // Seen at the window, Return counts only while nothing has the focus (a window just
    // opened, the panel shown) and the panel is up; a field elsewhere keeps its own keys.
    const bool atWindow = watched != m_panel;
    if (atWindow &&
        (!m_panel->isVisibleTo(m_panel->window()) || QApplication::focusWidget() != nullptr))
      return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier && m_button->isEnabled()) {
        m_button->click();
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* m_panel;
  QPushButton* m_button;
};

}  // namespace

void ReturnPresses(QWidget* panel, QPushButton* button) {
  auto* filter = new ReturnFilter(panel, button);
  panel->installEventFilter(filter);
  if (QWidget* window = panel->window(); window != panel) window->installEventFilter(filter);
}

}  // namespace platform
