#include "frmExportLog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace cadro::aids {
namespace {

QString WithoutLogExtension(QString path) {
  for (const QString& ext : {QStringLiteral(".csv"), QStringLiteral(".pdf")}) {
    if (path.endsWith(ext, Qt::CaseInsensitive)) path.chop(ext.size());
  }
  return path;
}

}  // namespace

frmExportLog::frmExportLog(const QString& folderName, const QDate& today, const QString& defaultBase,
                           QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmExportLog"));
  setWindowTitle(QStringLiteral("Export Log"));
  setModal(true);

  optFolder_ = new QRadioButton(QStringLiteral("Reports of the current &folder (%1)").arg(folderName), this);
  optFolder_->setObjectName(QStringLiteral("optFolder"));
  optFolder_->setChecked(true);
  optRange_ = new QRadioButton(QStringLiteral("Reports saved fro&m"), this);
  optRange_->setObjectName(QStringLiteral("optRange"));
  dtpFrom_ = new QDateEdit(today, this);
  dtpFrom_->setObjectName(QStringLiteral("dtpFrom"));
  dtpTo_ = new QDateEdit(today, this);
  dtpTo_->setObjectName(QStringLiteral("dtpTo"));
  dtpFrom_->setAccessibleName(QStringLiteral("First day"));
  dtpTo_->setAccessibleName(QStringLiteral("Last day"));
  for (QDateEdit* d : {dtpFrom_, dtpTo_}) {
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    connect(d, &QDateEdit::dateChanged, this, [this] {
      optRange_->setChecked(true);
      UpdateOk();
    });
  }
  auto* range = new QHBoxLayout;
  range->addWidget(optRange_);
  range->addWidget(dtpFrom_);
  range->addWidget(new QLabel(QStringLiteral("to"), this));
  range->addWidget(dtpTo_);
  range->addStretch();

  txtFile_ = new QLineEdit(defaultBase, this);
  txtFile_->setObjectName(QStringLiteral("txtFile"));
  txtFile_->setMinimumWidth(360);
  auto* cmdBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
  cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
  connect(cmdBrowse, &QPushButton::clicked, this, &frmExportLog::cmdBrowse_Click);
  chkCsv_ = new QCheckBox(QStringLiteral("&CSV file for spreadsheets (.csv)"), this);
  chkCsv_->setObjectName(QStringLiteral("chkCsv"));
  chkCsv_->setChecked(true);
  chkPdf_ = new QCheckBox(QStringLiteral("&Printable pages (.pdf)"), this);
  chkPdf_->setObjectName(QStringLiteral("chkPdf"));
  chkPdf_->setChecked(true);

  auto* file = new QGridLayout;
  auto* lblFile = new QLabel(QStringLiteral("&Save as:"), this);
  lblFile->setBuddy(txtFile_);
  txtFile_->setAccessibleName(QStringLiteral("Save as"));
  file->addWidget(lblFile, 0, 0);
  file->addWidget(txtFile_, 0, 1);
  file->addWidget(cmdBrowse, 0, 2);
  file->addWidget(chkCsv_, 1, 1);
  file->addWidget(chkPdf_, 2, 1);

  cmdOK_ = new QPushButton(QStringLiteral("&Export"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  auto* cmdCancel = new QPushButton(QStringLiteral("Ca&ncel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(cmdOK_, &QPushButton::clicked, this, &frmExportLog::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(optFolder_);
  layout->addLayout(range);
  layout->addSpacing(8);
  layout->addLayout(file);
  layout->addSpacing(8);
  layout->addLayout(buttons);

  for (QCheckBox* c : {chkCsv_, chkPdf_}) connect(c, &QCheckBox::toggled, this, &frmExportLog::UpdateOk);
  connect(optRange_, &QRadioButton::toggled, this, &frmExportLog::UpdateOk);
  connect(txtFile_, &QLineEdit::textChanged, this, &frmExportLog::UpdateOk);
  UpdateOk();
}

void frmExportLog::UpdateOk() {
  const bool rangeOk = !optRange_->isChecked() || dtpFrom_->date() <= dtpTo_->date();
  cmdOK_->setEnabled(rangeOk && !txtFile_->text().trimmed().isEmpty() &&
                     (chkCsv_->isChecked() || chkPdf_->isChecked()));
}

void frmExportLog::cmdBrowse_Click() {
  const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Export Log"), txtFile_->text(),
                                                      QStringLiteral("Communications log (*.csv *.pdf)"));
  if (!chosen.isEmpty()) txtFile_->setText(WithoutLogExtension(chosen));
}

void frmExportLog::cmdOK_Click() {
  // The export reads the message folder while the windows go on answering: a second OK would
  // start a second export inside the first.
  if (!cmdOK_->isEnabled() || exporting_) return;
  exporting_ = true;
  cmdOK_->setEnabled(false);
  const bool done = !exporter_ || exporter_(Choice());
  exporting_ = false;
  UpdateOk();
  if (done) {
    accept();
    return;
  }
  txtFile_->setFocus(Qt::OtherFocusReason);
}

void frmExportLog::reject() {
  if (!exporting_) QDialog::reject();
}

ExportChoice frmExportLog::Choice() const {
  ExportChoice c;
  c.byDateRange = optRange_->isChecked();
  c.from = dtpFrom_->date();
  c.to = dtpTo_->date();
  c.basePath = WithoutLogExtension(txtFile_->text().trimmed());
  c.csv = chkCsv_->isChecked();
  c.pdf = chkPdf_->isChecked();
  return c;
}

}  // namespace cadro::aids
