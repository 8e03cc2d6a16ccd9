#pragma once
// Typing into a widget as the user does, key by key, so that the widget's "edited"
// signals and its modified flag behave as they do for real typing.

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace testsupport {

/// Sends each character as a key press; "\b" is the backspace key.
inline void Type(QWidget* widget, const QString& keys) {
  for (const QChar c : keys) {
    const bool back = c == QLatin1Char('\b');
    QKeyEvent press(QEvent::KeyPress, back ? int{Qt::Key_Backspace} : int{c.unicode()},
                    Qt::NoModifier, back ? QString() : QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

}  // namespace testsupport
