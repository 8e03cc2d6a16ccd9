#pragma once

#include <QDialog>

namespace chart {

/// The version window: the product name and "Tarvo Version " with the version text.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace chart
