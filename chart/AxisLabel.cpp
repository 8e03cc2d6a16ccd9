#include "chart/AxisLabel.h"

#include <cmath>

namespace chart {

void RewriteDegreeLabel(QString& text) {
  if (text.isEmpty() || text.endsWith(u'm')) return;
  bool ok = false;
  // Formats such as " ##.#" put a blank in front of the number.
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return;
  if (value != std::trunc(value)) {
    text = QStringLiteral(" ");
    return;
  }
  text = QString::number(value, 'f', 0) + QChar(0xFF9F);
}

}  // namespace chart
