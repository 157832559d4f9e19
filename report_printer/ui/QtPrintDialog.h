#pragma once
// The Print dialog of the product: Qt's own print dialog on a scratch QPrinter that opens on the
// current printer's name and settings; what the user picks is read back into a choice.

#include "VtPrintDlg.h"

class QWidget;

namespace cadro {

class QtPrintDialog final : public PrintDialogBackend {
public:
  explicit QtPrintDialog(QWidget* owner) : owner_(owner) {}
  std::optional<PrintDialogChoice> Run(const PrintDialogChoice& initial, unsigned dialogFlags) override;

private:
  QWidget* owner_;
};

}  // namespace cadro
