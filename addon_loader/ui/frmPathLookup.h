#pragma once
// The chooser shown when more than one host program directory was found.

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace cadro::addlaunch {

class frmPathLookup final : public QDialog {
  Q_OBJECT
public:
  // `chosenDir` is the value before the dialog; Esc leaves it as it is.
  explicit frmPathLookup(std::string chosenDir, QWidget* parent = nullptr);

  // Lists the candidate directories (CR LF separated), in the order given.
  void FillList(const std::string& candidateDirs);
  const std::string& ChosenDir() const { return chosenDir_; }

private:
  void cmdOK_Click();
  void cmdCancel_Click();

  QLabel* Label1;
  QTreeWidget* LV;
  QPushButton* cmdOK;
  QPushButton* cmdCancel;
  std::string chosenDir_;
};

}  // namespace cadro::addlaunch
