#pragma once

#include <QLineEdit>
#include <QString>

namespace platform {

/// Puts a text into a panel field whole. A field's length limit is for what the user
/// types; a path or title that the program sets (from a settings file or a file dialog)
/// must not be cut, or it would name another file.
inline void ShowWholeText(QLineEdit* field, const QString& text) {
  if (text.size() > field->maxLength()) field->setMaxLength(static_cast<int>(text.size()));
  field->setText(text);
}

}  // namespace platform
