#include "FolderPicker.h"

#include <QFileDialog>

namespace cadro::addlaunch {

std::string QtFolderPicker::PickFolder(QWidget* parent, const QString& title, const QString& startFolder) {
  QFileDialog dialog(parent, title, startFolder);
  dialog.setObjectName(QStringLiteral("CD"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? std::string() : chosen.front().toStdString();
}

}  // namespace cadro::addlaunch
