#include "chart/TAboutBox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/ui/CommandLine.h"

namespace chart {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral(" バージョン情報"));
  setFixedSize(345, 133);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("3-V Evadavudezur Uvozod"), this));
  auto* version = new QLabel(QStringLiteral("Tarvo Version ") + platform::ProjectVersion(), this);
  version->setObjectName(QStringLiteral("Version"));
  layout->addWidget(version);
  layout->addWidget(new QLabel(QStringLiteral("三面分布図作成プログラム"), this));
  layout->addWidget(new QLabel(QStringLiteral("GPL-2.0-or-later で配布しています"), this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace chart
