#pragma once
// frmCadroPref: the preferences dialog (the host's direct-entry server, time-out, encoding).
// It edits a copy of the settings; OK hands the result back, Cancel leaves it as it was.

#include <QDialog>
#include <array>
#include <functional>

#include "CadroIni.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace cadro {

class frmCadroPref final : public QDialog {
  Q_OBJECT

public:
  // Runs the direct-link test against the server typed in the boxes; empty until the link exists.
  using LinkTest = std::function<void(const StationSettings& typed)>;

  frmCadroPref(const StationSettings& settings, Prompts& prompts, LinkTest linkTest = {},
               QWidget* parent = nullptr);

  const StationSettings& Result() const { return settings_; }

  void cmdOK_Click();
  void cmdTest_Click();
  void SSTab1_Click(int tab);

  QLineEdit* Box(int index) const { return txtServer_[index]; }
  // Callers add pages of their own settings here.
  QTabWidget* Tabs() const { return SSTab1_; }

private:
  StationSettings settings_;
  Prompts& prompts_;
  LinkTest linkTest_;
  QTabWidget* SSTab1_ = nullptr;
  std::array<QGroupBox*, 2> nframe_{};
  std::array<QLineEdit*, 3> txtServer_{};
  QComboBox* cboEncType_ = nullptr;

  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace cadro
