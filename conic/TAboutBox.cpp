#include "conic/TAboutBox.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include "platform/ui/CommandLine.h"

namespace conic {

namespace {

// A small drawn icon: a profile over a sea line, so the window needs no image file.
QPixmap ProgramIcon() {
  QPixmap icon(32, 32);
  icon.fill(QColor(0xDC, 0xFA, 0xFF));
  QPainter p(&icon);
  p.setPen(Qt::black);
  p.setBrush(QColor(0xFF, 0xF8, 0xD9));
  const QPoint ground[] = {{2, 28}, {8, 20}, {12, 22}, {17, 8}, {22, 16}, {26, 14}, {30, 28}};
  p.drawPolygon(ground, 7);
  p.setBrush(Qt::magenta);
  p.drawEllipse(QPoint(17, 12), 2, 2);
  return icon;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral(" Tarvo_L  バージョン情報"));
  setFixedSize(344, 128);
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setPixmap(ProgramIcon());
  icon->setGeometry(12, 12, 32, 32);
  const struct {
    const char* name;
    const char* text;
    int y;
  } labels[] = {
      {"Version", "", 12},
      {"ProductName", "Tarvo_L, Lambert conformal conic projection", 34},
      {"Comments", "植物の分布記録から日本の三面分布図を描きます。", 56},
  };
  for (const auto& l : labels) {
    auto* label =
        new QLabel(*l.text ? QString::fromUtf8(l.text)
                           : QStringLiteral("Tarvo_L Version ") + platform::ProjectVersion(),
                   this);
    label->setObjectName(QString::fromLatin1(l.name));
    label->setGeometry(56, l.y, 280, 20);
  }
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setGeometry(136, 92, 75, 26);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace conic
