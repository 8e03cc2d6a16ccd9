#include "chart/Version.h"

#include <QStringList>

namespace chart {

QString VersionText(const QString& fileVersion) {
  const QStringList parts = fileVersion.split(QLatin1Char('.'));
  if (parts.size() != 4) return {};
  int numbers[4] = {};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    numbers[i] = parts[i].toInt(&ok);
    if (!ok) return {};
  }
  return QString::number(numbers[0]) + QLatin1Char('.') + QString::number(numbers[1]) +
         QString::number(numbers[2]);
}

}  // namespace chart
