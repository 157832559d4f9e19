#pragma once
// The About box: program title, version and what the program is for.

#include <QDialog>

namespace cadro {

class frmAbout final : public QDialog {
  Q_OBJECT

public:
  explicit frmAbout(QWidget* parent = nullptr);
};

}  // namespace cadro
