#include "QtDefinitionFilePicker.h"

#include <QFile>
#include <QFileDialog>

namespace cadro {

const char* QtDefinitionFilePicker::Caption(DefinitionKind kind) {
  return kind == DefinitionKind::Data ? "Open the message (data definition file)"
                                      : "Open its form (form definition file)";
}

const char* QtDefinitionFilePicker::Filter(DefinitionKind kind) {
  return kind == DefinitionKind::Data ? "Data definition files (*.ddf *.DDF);;All files (*)"
                                      : "Form definition files (*.fdf *.FDF);;All files (*)";
}

std::optional<std::string> QtDefinitionFilePicker::Choose(DefinitionKind kind, const std::string& folder) {
  QFileDialog dialog(owner_, QString::fromLatin1(Caption(kind)), QFile::decodeName(folder.c_str()),
                     QString::fromLatin1(Filter(kind)));
  dialog.setObjectName(kind == DefinitionKind::Data ? QStringLiteral("dlgOpenData")
                                                    : QStringLiteral("dlgOpenForm"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

}  // namespace cadro
