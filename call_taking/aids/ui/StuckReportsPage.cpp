#include "StuckReportsPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace cadro::aids {
namespace {

QSpinBox* MinutesBox(QWidget* parent, const char* name, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(kSmallestAgeLimit, kLargestAgeLimit);
  box->setSuffix(QStringLiteral(" min"));
  box->setValue(value);
  return box;
}

}  // namespace

StuckReportsPage::StuckReportsPage(const AgeLimits& limits, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("pageStuckReports"));
  auto* frame = new QGroupBox(QStringLiteral("Mark reports that wait too long"), this);
  spnReady_ = MinutesBox(frame, "spnReadyMinutes", limits.readyMinutes);
  spnDraft_ = MinutesBox(frame, "spnDraftMinutes", limits.draftMinutes);
  auto* grid = new QGridLayout(frame);
  auto* lblReady = new QLabel(QStringLiteral("&Ready, not submitted, for more than:"), frame);
  auto* lblDraft = new QLabel(QStringLiteral("&Draft for more than:"), frame);
  lblReady->setBuddy(spnReady_);
  lblDraft->setBuddy(spnDraft_);
  spnReady_->setAccessibleName(QStringLiteral("Ready, not submitted, for more than"));
  spnDraft_->setAccessibleName(QStringLiteral("Draft for more than"));
  grid->addWidget(lblReady, 0, 0);
  grid->addWidget(spnReady_, 0, 1);
  grid->addWidget(lblDraft, 1, 0);
  grid->addWidget(spnDraft_, 1, 1);
  auto* note = new QLabel(QStringLiteral("Such reports are coloured and flagged in the list, and the "
                                         "status bar counts them."),
                          this);
  note->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(note);
  layout->addStretch();
}

AgeLimits StuckReportsPage::Limits() const {
  return {spnReady_->value(), spnDraft_->value()};
}

}  // namespace cadro::aids
