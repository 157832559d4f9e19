#pragma once
// frmCadromain: the main window of Cadrocts, the incident list. Startup() runs the program's
// start-up; closing the window saves the layout and the station settings and ends the program.

#include <QMainWindow>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "AgeMarks.h"
#include "BackgroundListing.h"
#include "CadroIni.h"
#include "CadroLogLib.h"
#include "CadroMsg.h"
#include "IncidentList.h"
#include "OnceOnlyPrompts.h"
#include "StationRules.h"
#include "frmCadroPref.h"
#include "frmExportLog.h"

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

  // Reads the current folder's reports again from the message folder. The list keeps showing
  // what it shows until the new listing is complete, then shows that in one step; while the
  // folder's first listing still runs, it starts over.
  void BuildNewMsgList();
  // True while the message folder is being read for the list.
  bool Listing() const { return listing_ != nullptr; }
  // Tests only: prepares the reader of each listing from now on, on its thread.
  void SetReaderSetupForTests(BackgroundListing::ReaderSetup setup) { readerSetup_ = std::move(setup); }
  // Tests: how long a listing waits at most for its first screenful to be painted.
  void SetListingHoldForTests(std::chrono::milliseconds hold) { longestHold_ = hold; }
  // Tests only: how often rows are taken from the reader.
  void SetTakeIntervalForTests(std::chrono::milliseconds every) { takeEvery_ = every; }
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
  // Starts reading the current folder; `keepShown`: the rows shown stay until the new ones are
  // all there (a rebuild), else the list empties now and fills as the rows come (a new folder).
  void StartListing(bool keepShown);
  void ListingWoke(std::uint64_t generation);
  void TakeListing();
  void FinishListing();
  void RetireListing();
  // What a reader said: log entries go to the event log, messages wait for ShowPendingMessages.
  void PassOn(std::vector<ListingNotice>& notices);
  void ShowPendingMessages();
  void AfterListBuilt();
  // Every report on disk now, whatever its state, read away from the window's thread.
  std::vector<IncidentRow> ReadEveryReport();
  // Writes the communications log the dialog chose; false (the dialog stays) when the operator
  // would not replace a file or a file could not be written.
  bool ExportLog(const aids::ExportChoice& choice, const LocalTime& now, const QDate& today,
                 std::set<QString>& writtenHere);
  void RestoreLayout();
  void SaveLayout();
  void SetListFontSize(float size);
  void ShowItemCount();
  void ShowConfig();
  // Cadrocts.ini lines that could not be used, once: in the session log and the status bar.
  void ShowUnreadableSettings();
  // Opens `eventRecord` ("NEW" or an Idx) in the entry form, or says here why it cannot be now.
  bool OpenInEntryForm(const std::string& eventRecord);
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
  QLabel* panelSettings_ = nullptr;
  QLabel* panelTime_ = nullptr;
  QAction* mnuCadroQuickStart_ = nullptr;
  QTimer* tmrClock_ = nullptr;

  // The listing under way, and those told to stop that may not have noticed yet. Each listing
  // has a number; a wake-up from any but the current one finds nothing to take.
  std::unique_ptr<BackgroundListing> listing_;
  std::vector<std::unique_ptr<BackgroundListing>> stopped_;
  std::uint64_t generation_ = 0;
  std::unique_ptr<IncidentListModel> staging_;  // a rebuild's rows until they are complete
  bool listComplete_ = false;                   // the model holds a whole listing
  ListingBatch progress_;                       // counts of the listing under way
  QTimer* tmrListing_ = nullptr;
  // Rows are taken from the reader at most this often, so the window spends its time answering
  // the operator rather than placing rows a few at a time.
  std::chrono::milliseconds takeEvery_{40};
  std::chrono::steady_clock::time_point lastTake_{};
  bool taking_ = false;
  bool releaseAtPaint_ = false;  // the listing waits for the rows just taken to be painted
  int paintedRows_ = 0;          // rows the list had when it was last painted
  std::deque<ListingNotice> pendingMessages_;
  bool showingMessages_ = false;
  BackgroundListing::ReaderSetup readerSetup_;
  std::chrono::milliseconds longestHold_ = BackgroundListing::kLongestHold;

  std::vector<std::uint64_t> knownReports_;  // hashes of the Idx texts last listed, sorted
  bool listBuiltOnce_ = false;
  aids::AgeLimits ageLimits_;
  std::int64_t marksMinute_ = -1;
  std::string hintIdx_;
  std::string hintFor_;  // the new report the hint is about
  QLineEdit* txtSearch_ = nullptr;
  QLabel* panelStuck_ = nullptr;
  QFrame* fraDuplicateHint_ = nullptr;
  QLabel* lblDuplicateHint_ = nullptr;
  QLabel* lblDuplicateHintFor_ = nullptr;
};

}  // namespace cadro
