#include "platform/ui/Keyboard.h"

#include <QAction>
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
  ReturnFilter(QWidget* panel, QPushButton* button) : QObject(panel), m_button(button) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
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
  QPushButton* m_button;
};

}  // namespace

void ReturnPresses(QWidget* panel, QPushButton* button) {
  panel->installEventFilter(new ReturnFilter(panel, button));
}

}  // namespace platform
