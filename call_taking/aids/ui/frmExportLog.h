#pragma once
// frmExportLog: File > Export Log... asks which reports go into the communications log (the
// current folder or the days of a date range), where the files go and in which formats.

#include <QDate>
#include <QDialog>
#include <QString>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cadro::aids {

struct ExportChoice {
  bool byDateRange = false;
  QDate from, to;
  QString basePath;  // without ".csv" / ".pdf"
  bool csv = true;
  bool pdf = true;
};

class frmExportLog final : public QDialog {
  Q_OBJECT

public:
  frmExportLog(const QString& folderName, const QDate& today, const QString& defaultBase,
               QWidget* parent = nullptr);

  ExportChoice Choice() const;

private:
  void UpdateOk();
  void cmdBrowse_Click();

  QRadioButton* optFolder_ = nullptr;
  QRadioButton* optRange_ = nullptr;
  QDateEdit* dtpFrom_ = nullptr;
  QDateEdit* dtpTo_ = nullptr;
  QLineEdit* txtFile_ = nullptr;
  QCheckBox* chkCsv_ = nullptr;
  QCheckBox* chkPdf_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
};

}  // namespace cadro::aids
