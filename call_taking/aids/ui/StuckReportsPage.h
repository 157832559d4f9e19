#pragma once
// The Preferences tab that sets when a waiting report is marked in the list.

#include <QWidget>

#include "AgeMarks.h"

class QSpinBox;

namespace cadro::aids {

class StuckReportsPage final : public QWidget {
  Q_OBJECT

public:
  explicit StuckReportsPage(const AgeLimits& limits, QWidget* parent = nullptr);
  AgeLimits Limits() const;

private:
  QSpinBox* spnReady_ = nullptr;
  QSpinBox* spnDraft_ = nullptr;
};

}  // namespace cadro::aids
