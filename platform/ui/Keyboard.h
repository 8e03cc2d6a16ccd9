#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace platform {

/// The object names of a window's commands that get the keys users know from other
/// programs; an empty name gets none.
struct CommandKeys {
  QString openData;    ///< Ctrl+O
  QString saveFigure;  ///< Ctrl+S
  QString print;       ///< Ctrl+P
  QString quit;        ///< Ctrl+Q
  QString manual;      ///< F1
  QString draw;        ///< F5
};

/// Gives the window's actions of those names their keys, which the menus then show.
void SetCommandKeys(QWidget* window, const CommandKeys& keys);

/// Return or Enter pressed anywhere in `panel` (a field, a box, a button without a use for
/// it) presses `button`, as in a dialog whose default button it is.
void ReturnPresses(QWidget* panel, QPushButton* button);

}  // namespace platform
