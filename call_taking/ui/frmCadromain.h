#pragma once
// frmCadromain: the main window of Cadrocts, the incident list. Startup() runs the program's
// start-up; closing the window saves the layout and the station settings and ends the program.

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "AgeMarks.h"
#include "CadroIni.h"
#include "CadroLogLib.h"
#include "CadroMsg.h"
#include "IncidentList.h"
#include "OnceOnlyPrompts.h"
#include "StationRules.h"
#include "frmCadroPref.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QStatusBar;
class QVBoxLayout;
class QPushButton;
class QTimer;
class QTreeView;

namespace cadro {

class EntryFormPort;
class IncidentListModel;

class frmCadromain final : public QMainWindow {
  Q_OBJECT

public:
  frmCadromain(Services& services, CadroIni& ini, SessionLog& log, std::string programFolder,
               QWidget* parent = nullptr);
  ~frmCadromain() override;

  // Hooks. Modal dialogs run through the runner (exec() by default), so tests can drive them;
  // documents open through the opener (the desktop's viewer by default).
  using ModalRunner = std::function<int(QDialog&)>;
  using DocumentOpener = std::function<bool(const QString& path)>;
  void SetModalRunner(ModalRunner runner) { runModal_ = std::move(runner); }
  void SetDocumentOpener(DocumentOpener opener) { openDocument_ = std::move(opener); }
  void SetEntryForm(EntryFormPort* form) { entryForm_ = form; }
  void SetLinkTest(frmCadroPref::LinkTest test) { linkTest_ = std::move(test); }

  // The start-up sequence: placement, caption, Cadrocts.ini, session log, list, station dialog.
  void Startup();

  // Reloads the list for the current folder from the message folder.
  void BuildNewMsgList();
  void SetColumnHeaders();

  void cmdFolder_Click(int folderCode);
  void cmdNewReport_Click();
  void cmdDelete_Click();
  void LV_ColumnClick(int column);
  void LV_DblClick();
  void cmdBigger_Click();
  void cmdSmaller_Click();
  void mnuResetFont_Click();
  void mnuPackColumns_Click();
  void mnuResetColumns_Click();
  void mnuStationID_Click();
  void mnuPreferences_Click();
  void mnuCadroQuickStart_Click();
  void mnuAbout_Click();

  // The aids for a busy net (frmCadromainAids.cpp): search box, stuck reports, duplicate hint and
  // the communications log.
  void txtSearch_Change(const QString& text);
  void mnuExportLog_Click();
  void cmdHintOpen_Click();
  void cmdHintIgnore_Click();
  void RefreshAgeMarks(bool force = false);
  const aids::AgeLimits& AgeLimits() const { return ageLimits_; }

  int CurrentFolder() const { return currentFolder_; }
  float ListFontSize() const { return listFontSize_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }
  const IncidentListModel& Model() const { return *model_; }
  QTreeView* List() const { return LV_; }

protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildWindow();
  void BuildMenus();
  void BuildAidControls(QVBoxLayout* listColumn, QStatusBar* bar);
  void AfterListBuilt(std::vector<IncidentRow> everyReport);
  void RestoreLayout();
  void SaveLayout();
  void SetListFontSize(float size);
  void ShowItemCount();
  void ShowConfig();
  void ShowClock();
  void ApplySort();
  long StoredNumber(const char* key, long fallback) const;
  double Dpi() const;

  Services& services_;
  CadroIni& ini_;
  SessionLog& log_;
  std::string programFolder_;
  std::unique_ptr<CadroMsg> record_;
  // The list is built again on every folder click; its loads tell of a bad file once per run.
  OnceOnlyPrompts listPrompts_{services_.prompts};
  Services listServices_{services_.eventLog, listPrompts_, services_.clock, services_.locale,
                         services_.settings};
  std::unique_ptr<CadroMsg> listRecord_;
  EntryFormPort* entryForm_ = nullptr;
  ModalRunner runModal_;
  DocumentOpener openDocument_;
  frmCadroPref::LinkTest linkTest_;

  int currentFolder_ = folder::kReady;
  float listFontSize_ = kDefaultListFont;
  std::array<long, kColumnCount> columnTwips_ = kDefaultColumnTwips;
  int sortColumn_ = kCityColumn;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  bool unloaded_ = false;

  IncidentListModel* model_ = nullptr;
  QTreeView* LV_ = nullptr;
  std::map<int, QPushButton*> cmdFolder_;
  QLabel* lblCurrentFolder_ = nullptr;
  QPushButton* cmdBigger_ = nullptr;
  QPushButton* cmdSmaller_ = nullptr;
  QLabel* panelStatus_ = nullptr;
  QLabel* panelConfig_ = nullptr;
  QLabel* panelTime_ = nullptr;
  QAction* mnuCadroQuickStart_ = nullptr;
  QTimer* tmrClock_ = nullptr;

  std::vector<IncidentRow> everyReport_;  // every report, whatever the folder, as last built
  std::set<std::string> knownReports_;    // their Idx texts, to tell a report stored since
  bool listBuiltOnce_ = false;
  aids::AgeLimits ageLimits_;
  std::int64_t marksMinute_ = -1;
  std::string hintIdx_;
  QLineEdit* txtSearch_ = nullptr;
  QLabel* panelStuck_ = nullptr;
  QFrame* fraDuplicateHint_ = nullptr;
  QLabel* lblDuplicateHint_ = nullptr;
};

}  // namespace cadro
