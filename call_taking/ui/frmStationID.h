#pragma once
// frmStationID: the station identification dialog (operator, user ID, location, location ID,
// next event number, city). It edits a copy of the settings and hands the result back on OK.

#include <QDialog>
#include <array>

#include "CadroIni.h"

class QLineEdit;
class QLabel;
class QPushButton;

namespace cadro {

class Prompts;

class frmStationID final : public QDialog {
  Q_OBJECT

public:
  frmStationID(const StationSettings& settings, Prompts& prompts, QWidget* parent = nullptr);

  // What OK stored; equal to the settings given when the dialog was not closed through OK.
  const StationSettings& Result() const { return settings_; }

  QLineEdit* Box(int index) const { return txtSID_[index]; }

  // OK and Escape: mark empty boxes, refuse a bad event number, else store and close.
  void cmdOK_Click();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  StationSettings settings_;
  Prompts& prompts_;
  std::array<QLineEdit*, 6> txtSID_{};
  QPushButton* cmdOK_ = nullptr;
};

}  // namespace cadro
