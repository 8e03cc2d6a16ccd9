#pragma once

#include <QLabel>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace platform {

/// What a figure did not draw, in one status bar panel, alike in both programs: the short
/// texts joined in a warning colour, and the whole sentences as the tool tip. No texts
/// empty the panel.
inline void ShowStatusWarning(QLabel* panel, const QStringList& shortTexts,
                              const QStringList& sentences) {
  if (shortTexts.isEmpty()) {
    panel->clear();
    panel->setToolTip(QString());
    panel->setStyleSheet(QString());
    return;
  }
  panel->setText(shortTexts.join(QStringLiteral("・")));
  panel->setToolTip(sentences.join(QLatin1Char('\n')));
  // Dark red reads as a warning on the light status bars of both programs and stays
  // legible for the colour-blind, unlike a red-green distinction.
  panel->setStyleSheet(QStringLiteral("QLabel { color: #B00000; font-weight: bold; }"));
  panel->setMinimumWidth(std::max(panel->minimumWidth(), panel->sizeHint().width()));
}

}  // namespace platform
