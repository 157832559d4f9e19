#pragma once
// The folder picker behind GetVantrelDirName, as an interface so tests can answer it.

#include <QString>
#include <string>

class QWidget;

namespace cadro::addlaunch {

class FolderPicker {
public:
  virtual ~FolderPicker() = default;
  // A local folder, or empty when the user cancelled.
  virtual std::string PickFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
};

// A directory chooser that shows folders only; its accept button reads "Save", as the box
// before it tells the user.
class QtFolderPicker final : public FolderPicker {
public:
  std::string PickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
};

}  // namespace cadro::addlaunch
