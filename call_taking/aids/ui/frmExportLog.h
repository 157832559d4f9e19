#pragma once
// frmExportLog: File > Export Log... asks which reports go into the communications log (the
// current folder or the days of a date range), where the files go and in which formats.

#include <QDate>
#include <QDialog>
#include <QString>
#include <functional>

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

  // Export writes the files through `exporter`; the dialog closes only when it reports success,
  // so after a failure or a refused replacement every choice is still there to correct.
  using Exporter = std::function<bool(const ExportChoice&)>;
  void SetExporter(Exporter exporter) { exporter_ = std::move(exporter); }
  // Not while an export runs: it would be cut off between its files.
  void reject() override;

private:
  void UpdateOk();
  void cmdBrowse_Click();
  void cmdOK_Click();

  QRadioButton* optFolder_ = nullptr;
  QRadioButton* optRange_ = nullptr;
  QDateEdit* dtpFrom_ = nullptr;
  QDateEdit* dtpTo_ = nullptr;
  QLineEdit* txtFile_ = nullptr;
  QCheckBox* chkCsv_ = nullptr;
  QCheckBox* chkPdf_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  Exporter exporter_;
  bool exporting_ = false;
};

}  // namespace cadro::aids
