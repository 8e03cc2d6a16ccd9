#include "chart/AxisLabel.h"

#include <cmath>

namespace chart {

namespace {

const QChar kDegree(0xFF9F);

}  // namespace

void RewriteDegreeLabel(QString& text, bool fine) {
  if (text.isEmpty() || text.endsWith(u'm')) return;
  bool ok = false;
  // Formats such as " ##.#" put a blank in front of the number.
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return;
  if (value != std::trunc(value)) {
    text = fine ? DegreeMinuteLabel(value) : QStringLiteral(" ");
    return;
  }
  text = QString::number(value, 'f', 0) + kDegree;
}

QString DegreeMinuteLabel(double degrees, bool minutesOnly) {
  if (!std::isfinite(degrees) || std::fabs(degrees) > 1e6) return QString();
  const long long total = std::llround(std::fabs(degrees) * 3600);
  const long long whole = total / 3600;
  const long long minutes = total / 60 % 60;
  const long long seconds = total % 60;
  const QString sign = degrees < 0 && total != 0 ? QStringLiteral("-") : QString();
  if (minutes == 0 && seconds == 0) return sign + QString::number(whole) + kDegree;
  QString text = minutesOnly ? QString() : sign + QString::number(whole) + kDegree;
  text += QStringLiteral("%1'").arg(minutes, 2, 10, QLatin1Char('0'));
  if (seconds != 0) text += QStringLiteral("%1\"").arg(seconds, 2, 10, QLatin1Char('0'));
  return text;
}

}  // namespace chart
