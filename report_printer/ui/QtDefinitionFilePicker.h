#pragma once
// The two file choosers of a start without a command line, as Qt file dialogs.

#include "StartFiles.h"

class QWidget;

namespace cadro {

class QtDefinitionFilePicker final : public DefinitionFilePicker {
public:
  explicit QtDefinitionFilePicker(QWidget* owner = nullptr) : owner_(owner) {}
  std::optional<std::string> Choose(DefinitionKind kind, const std::string& folder) override;

  // Captions and filters, shared with the tests.
  static const char* Caption(DefinitionKind kind);
  static const char* Filter(DefinitionKind kind);

private:
  QWidget* owner_;
};

}  // namespace cadro
