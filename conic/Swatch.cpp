#include "conic/Swatch.h"

#include <QColor>
#include <QPushButton>
#include <QVariant>

namespace conic {

namespace {
constexpr char kColorProperty[] = "tarvoColor";
}

void SetSwatchColor(QWidget* swatch, platform::WinColor color) {
  swatch->setProperty(kColorProperty, QVariant::fromValue(color));
  const QString name = QColor::fromRgb(platform::ToQRgb(color)).name();
  if (qobject_cast<QPushButton*>(swatch)) {
    swatch->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: white; border: 1px solid #bbb; }")
            .arg(name));
  } else {
    swatch->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid gray;").arg(name));
  }
}

platform::WinColor SwatchColor(const QWidget* swatch) {
  return swatch->property(kColorProperty).value<platform::WinColor>();
}

}  // namespace conic
