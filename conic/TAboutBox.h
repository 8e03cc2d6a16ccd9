#pragma once

#include <QDialog>

namespace conic {

/// The version window: fixed texts and an OK button.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace conic
