#include "frmCadromain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <charconv>
#include <utility>

#include "EntryFormPort.h"
#include "FileIO.h"
#include "IncidentListModel.h"
#include "ProgramIdentity.h"
#include "QtPlatform.h"
#include "StationRules.h"
#include "StringLib.h"
#include "StuckReportsPage.h"
#include "WholeNumber.h"
#include "frmAbout.h"
#include "frmStationID.h"

namespace cadro {
namespace {

constexpr const char* kSettingsSection = "Settings";
constexpr long kDefaultLeft = 105;
constexpr long kDefaultTop = 105;
constexpr long kDefaultWidth = 11235;
constexpr long kDefaultHeight = 7200;

}  // namespace

frmCadromain::frmCadromain(Services& services, CadroIni& ini, SessionLog& log, std::string programFolder,
                           QWidget* parent)
    : QMainWindow(parent),
      services_(services),
      ini_(ini),
      log_(log),
      programFolder_(std::move(programFolder)),
      runModal_([](QDialog& dialog) { return dialog.exec(); }),
      openDocument_(
          [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }) {
  setObjectName(QStringLiteral("frmCadromain"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  BuildWindow();
  BuildMenus();
}

frmCadromain::~frmCadromain() {
  // The readers post to this window; they must be gone before it is.
  listing_.reset();
  stopped_.clear();
}

// ---------------------------------------------------------------------------------------------
// Start-up and unload

void frmCadromain::Startup() {
  // The folder is read beside the rest of the start-up, so the first rows are there by the
  // time the window first shows.
  listRecord_ = std::make_unique<CadroMsg>(JoinPath(programFolder_, "msg.d"), listServices_);
  currentFolder_ = folder::kReady;
  StartListing(false);
  RestoreLayout();
  show();
  setWindowTitle(FromAnsi(MainCaption()));
  ini_.ReadIni();
  log_.SetupLog(true);
  ShowUnreadableSettings();
  record_ = std::make_unique<CadroMsg>(JoinPath(programFolder_, "msg.d"), services_);
  cmdFolder_[currentFolder_]->setChecked(true);
  SetListFontSize(ini_.Values().Lvf);
  SetColumnHeaders();
  lblCurrentFolder_->setText(QStringLiteral("  ") + FromAnsi(FolderName(currentFolder_)));
  ShowClock();
  tmrClock_->start();
  mnuStationID_Click();
  if (entryForm_) entryForm_->ClearLastUsed();
}

long frmCadromain::StoredNumber(const char* key, long fallback) const {
  const std::optional<std::string> text = services_.settings.Get(kProgramTitle, kSettingsSection, key);
  if (!text) return fallback;
  return static_cast<long>(ReadWholeNumber(*text, {.min = -1000000, .max = 1000000}).ValueOr(fallback));
}

double frmCadromain::Dpi() const {
  const int dpi = logicalDpiX();
  return dpi > 0 ? dpi : 96.0;
}

void frmCadromain::RestoreLayout() {
  setWindowState(Qt::WindowNoState);
  const double dpi = Dpi();
  const QRect wanted(TwipsToPixels(StoredNumber("MainLeft", kDefaultLeft), dpi),
                     TwipsToPixels(StoredNumber("MainTop", kDefaultTop), dpi),
                     std::max(200, TwipsToPixels(StoredNumber("MainWidth", kDefaultWidth), dpi)),
                     std::max(150, TwipsToPixels(StoredNumber("MainHeight", kDefaultHeight), dpi)));
  // A placement from a screen that is gone would put the window where nobody can reach it.
  bool visible = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(wanted)) visible = true;
  }
  move(visible ? wanted.topLeft()
               : QPoint(TwipsToPixels(kDefaultLeft, dpi), TwipsToPixels(kDefaultTop, dpi)));
  resize(wanted.size());
  for (int c = 0; c < kColumnCount; ++c) {
    const std::string key = "lvCW" + std::to_string(c + 1);
    const long twips = StoredNumber(key.c_str(), kDefaultColumnTwips[c]);
    columnTwips_[c] = twips >= 0 ? twips : kDefaultColumnTwips[c];
  }
}

void frmCadromain::SaveLayout() {
  const double dpi = Dpi();
  const auto store = [this](const std::string& key, long value) {
    services_.settings.Set(kProgramTitle, kSettingsSection, key, std::to_string(value));
  };
  if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
    store("MainLeft", PixelsToTwips(pos().x(), dpi));
    store("MainTop", PixelsToTwips(pos().y(), dpi));
    store("MainWidth", PixelsToTwips(width(), dpi));
    store("MainHeight", PixelsToTwips(height(), dpi));
  }
  for (int c = 0; c < kColumnCount; ++c) {
    store("lvCW" + std::to_string(c + 1), PixelsToTwips(LV_->header()->sectionSize(c), dpi));
  }
}

void frmCadromain::closeEvent(QCloseEvent* event) {
  // Ending the program under a running delivery would cut the host off in mid-message.
  if (!unloaded_ && entryForm_ && !entryForm_->CloseForm()) {
    if (entryForm_->Delivering())
      panelStatus_->setText(QStringLiteral("A report is being delivered; close Cadro when it is done"));
    event->ignore();
    return;
  }
  if (!unloaded_) {
    unloaded_ = true;
    tmrClock_->stop();
    SaveLayout();
    ini_.SetListFontSize(listFontSize_);
    ini_.WriteIni();
    RetireListing();
    stopped_.clear();
    staging_.reset();
    unsetCursor();
    record_.reset();
    listRecord_.reset();
  }
  event->accept();
}

// ---------------------------------------------------------------------------------------------
// The list

void frmCadromain::SetColumnHeaders() {
  const double dpi = Dpi();
  QHeaderView* header = LV_->header();
  for (int c = 0; c < kColumnCount; ++c) header->resizeSection(c, TwipsToPixels(columnTwips_[c], dpi));
}

void frmCadromain::BuildNewMsgList() {
  StartListing(true);
}

void frmCadromain::StartListing(bool keepShown) {
  if (!listRecord_) return;  // not started yet, or closed
  RetireListing();
  const std::uint64_t generation = ++generation_;
  progress_ = {};
  if (keepShown && listComplete_) {
    staging_ = std::make_unique<IncidentListModel>();
    staging_->Clear(currentFolder_);
    staging_->sort(kCityColumn, Qt::AscendingOrder);
    staging_->SetAgeMarks(ageLimits_, marksMinute_);
  } else {
    staging_.reset();
    listComplete_ = false;
    model_->Clear(currentFolder_);
    sortColumn_ = kCityColumn;
    sortOrder_ = Qt::AscendingOrder;
    ApplySort();
  }
  // The pointer tells that work goes on, not that the window waits: every control answers.
  setCursor(Qt::BusyCursor);
  lastTake_ = {};
  listing_ = std::make_unique<BackgroundListing>(
      listRecord_->MessageFolder(),
      [this, generation] {
        QMetaObject::invokeMethod(
            this, [this, generation] { ListingWoke(generation); }, Qt::QueuedConnection);
      },
      readerSetup_, staging_ ? std::chrono::milliseconds(0) : longestHold_);
  releaseAtPaint_ = false;
  ShowItemCount();
}

void frmCadromain::RetireListing() {
  if (listing_) {
    listing_->Stop();
    stopped_.push_back(std::move(listing_));
  }
  tmrListing_->stop();
  std::erase_if(stopped_, [](const std::unique_ptr<BackgroundListing>& l) { return l->Finished(); });
}

void frmCadromain::ListingWoke(std::uint64_t generation) {
  if (generation != generation_ || !listing_) {
    // A listing told to stop has said its last word: let its thread go.
    std::erase_if(stopped_, [](const std::unique_ptr<BackgroundListing>& l) { return l->Finished(); });
    return;
  }
  const auto since = std::chrono::steady_clock::now() - lastTake_;
  // The folder's first rows and the last rows are taken at once: the operator waits for them.
  // A batch may hold no report of the folder, so the first rows are those the list shows. So is
  // the first screenful, which the reading waits to see painted.
  const bool firstRows = (!staging_ && model_->TotalRows() == 0) || listing_->Holding();
  if (lastTake_ != std::chrono::steady_clock::time_point{} && since < takeEvery_ && !firstRows &&
      !listing_->EndReached()) {
    if (!tmrListing_->isActive()) {
      tmrListing_->start(std::chrono::duration_cast<std::chrono::milliseconds>(takeEvery_ - since) +
                         std::chrono::milliseconds(1));
    }
    return;
  }
  TakeListing();
}

void frmCadromain::TakeListing() {
  if (!listing_ || taking_) return;
  taking_ = true;
  lastTake_ = std::chrono::steady_clock::now();
  const bool holding = listing_->Holding();
  ListingBatch batch = listing_->Take();
  IncidentListModel& target = staging_ ? *staging_ : *model_;
  target.Reserve(batch.total);
  try {
    target.Append(std::move(batch.rows));
  } catch (const std::exception&) {
    // Whatever failed outside the record (memory): keep the rows placed so far.
  }
  PassOn(batch.notices);
  progress_.done = batch.done;
  progress_.total = batch.total;
  progress_.listed = batch.listed;
  taking_ = false;
  if (holding) {
    // The reading goes on once the rows are on the screen; when they are already (or the window
    // is not on the screen) it need not wait.
    releaseAtPaint_ = model_->rowCount() != paintedRows_ && LV_->isVisible();
    if (!releaseAtPaint_) listing_->ScreenShown();
  }
  if (batch.finished) {
    FinishListing();
    ShowPendingMessages();
  } else {
    ShowItemCount();
    // A box waits for the operator; the list goes on filling behind it.
    if (!pendingMessages_.empty()) QTimer::singleShot(0, this, &frmCadromain::ShowPendingMessages);
  }
}

void frmCadromain::PassOn(std::vector<ListingNotice>& notices) {
  for (ListingNotice& notice : notices) {
    if (notice.kind == ListingNotice::Kind::EventLog) {
      listServices_.eventLog.Error(notice.text);
    } else {
      pendingMessages_.push_back(std::move(notice));
    }
  }
  notices.clear();
}

void frmCadromain::FinishListing() {
  RetireListing();
  if (staging_) {
    model_->Adopt(*staging_);
    staging_.reset();
    sortColumn_ = model_->SortColumn();
    sortOrder_ = model_->SortOrder();
    LV_->header()->setSortIndicator(sortColumn_, sortOrder_);
  }
  listComplete_ = true;
  unsetCursor();
  AfterListBuilt();
  ShowItemCount();
}

void frmCadromain::ShowPendingMessages() {
  if (showingMessages_) return;
  showingMessages_ = true;
  while (!pendingMessages_.empty()) {
    const ListingNotice notice = std::move(pendingMessages_.front());
    pendingMessages_.pop_front();
    listServices_.prompts.Message(notice.text, notice.title, notice.icon);
  }
  showingMessages_ = false;
}

void frmCadromain::ApplySort() {
  model_->sort(sortColumn_, sortOrder_);
  LV_->header()->setSortIndicator(sortColumn_, sortOrder_);
}

void frmCadromain::LV_ColumnClick(int column) {
  const auto reversed = [](Qt::SortOrder o) {
    return o == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  };
  if (column == kDateTimeColumn || column == sortColumn_) {
    // Date/Time turns the order round on every click.
    sortOrder_ = reversed(sortOrder_);
  }
  sortColumn_ = column;
  ApplySort();
}

void frmCadromain::ShowItemCount() {
  if (listing_) {
    panelStatus_->setText(FromAnsi(ListingProgressText(progress_)));
  } else {
    panelStatus_->setText(QStringLiteral("Items:%1").arg(model_->rowCount()));
  }
}

void frmCadromain::cmdFolder_Click(int folderCode) {
  currentFolder_ = folderCode;
  if (const auto it = cmdFolder_.find(folderCode); it != cmdFolder_.end()) it->second->setChecked(true);
  lblCurrentFolder_->setText(QStringLiteral("  ") + FromAnsi(FolderName(folderCode)));
  StartListing(false);
}

void frmCadromain::cmdNewReport_Click() {
  OpenInEntryForm("NEW");
}

void frmCadromain::LV_DblClick() {
  const QModelIndex current = LV_->currentIndex();
  if (!entryForm_ || !current.isValid() || !LV_->selectionModel()->isRowSelected(current.row(), {})) return;
  OpenInEntryForm(ToAnsi(model_->Text(current.row(), kIdxColumn)));
}

bool frmCadromain::OpenInEntryForm(const std::string& eventRecord) {
  if (!entryForm_) return false;
  // The entry form refuses while a report is out, but it may stand hidden or behind this
  // window: the operator who asked here must hear it here.
  if (entryForm_->Delivering()) {
    const std::string out = entryForm_->ReportUnderDelivery();
    const std::string wanted =
        eventRecord == "NEW" ? std::string("Start the new report") : "Open " + eventRecord;
    const std::string busy = out.empty() ? std::string("A report is being delivered to the host")
                                         : "The report " + out + " is being delivered to the host";
    panelStatus_->setText(FromAnsi(busy + "; try again when it is done"));
    services_.prompts.Message(busy + ".\r\n" + wanted + " when the delivery has ended.", kProgramTitle,
                              PromptIcon::Exclamation);
    return false;
  }
  entryForm_->StartForm(eventRecord);
  return true;
}

void frmCadromain::cmdDelete_Click() {
  if (!record_ || model_->rowCount() == 0) return;
  QModelIndexList selected = LV_->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  // The report under delivery is stored again when the delivery ends; deleting it now would be
  // undone without a word.
  const std::string delivering = entryForm_ ? entryForm_->ReportUnderDelivery() : std::string();
  bool keptOne = false;
  // From the last to the first, so the rows still to come keep their places. Each report is
  // named by its row's Idx, the file it was listed from.
  for (auto it = selected.crbegin(); it != selected.crend(); ++it) {
    const int row = it->row();
    const std::string idx = ToAnsi(model_->Text(row, kIdxColumn));
    if (!delivering.empty() && TrimSpaces(idx) == delivering) {
      keptOne = true;
      continue;
    }
    if (record_->Fdelete(idx, currentFolder_) == "-1") model_->RemoveRow(row);
  }
  ShowItemCount();
  // A rebuild under way may have read these reports before they were deleted; it must not
  // bring them back.
  if (staging_) StartListing(true);
  if (keptOne) {
    services_.prompts.Beep();
    panelStatus_->setText(
        FromAnsi("The report " + delivering + " is being delivered; it cannot be deleted now"));
  }
}

bool frmCadromain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LV_->viewport() && event->type() == QEvent::Paint) {
    paintedRows_ = model_->rowCount();
    if (std::exchange(releaseAtPaint_, false)) {
      // Queued: it runs once this paint is done.
      QMetaObject::invokeMethod(
          this,
          [this, generation = generation_] {
            if (listing_ && generation == generation_) listing_->ScreenShown();
          },
          Qt::QueuedConnection);
    }
  }
  if (watched == LV_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      cmdDelete_Click();
      return true;
    }
    // Enter opens the report under the keyboard's focus mark, as a double click does.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const QModelIndex current = LV_->currentIndex();
      if (current.isValid())
        LV_->selectionModel()->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
      LV_DblClick();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Font and columns

void frmCadromain::SetListFontSize(float size) {
  listFontSize_ = ClampListFont(size);
  QFont font = LV_->font();
  font.setPointSizeF(listFontSize_);
  LV_->setFont(font);
  cmdBigger_->setEnabled(listFontSize_ < kLargestListFont);
  cmdSmaller_->setEnabled(listFontSize_ > kSmallestListFont);
}

void frmCadromain::cmdBigger_Click() {
  SetListFontSize(listFontSize_ + 1);
  BuildNewMsgList();
}

void frmCadromain::cmdSmaller_Click() {
  SetListFontSize(listFontSize_ - 1);
  BuildNewMsgList();
}

void frmCadromain::mnuResetFont_Click() {
  SetListFontSize(kDefaultListFont);
  BuildNewMsgList();
}

void frmCadromain::mnuPackColumns_Click() {
  // Fits contents and header alike, with a little air between columns; the first column stays
  // as narrow as it is.
  const int air = LV_->fontMetrics().averageCharWidth();
  for (int c = 1; c < kColumnCount; ++c) {
    LV_->resizeColumnToContents(c);
    LV_->header()->resizeSection(c, LV_->header()->sectionSize(c) + air);
  }
}

void frmCadromain::mnuResetColumns_Click() {
  columnTwips_ = kDefaultColumnTwips;
  SetColumnHeaders();
}

// ---------------------------------------------------------------------------------------------
// Dialogs and help

void frmCadromain::mnuStationID_Click() {
  frmStationID dialog(ini_.Values(), services_.prompts, this);
  if (runModal_(dialog) == QDialog::Accepted) ini_.SetIdentity(dialog.Result());
  ShowConfig();
}

void frmCadromain::mnuPreferences_Click() {
  frmCadroPref dialog(ini_.Values(), services_.prompts, linkTest_, this);
  auto* stuckPage = new aids::StuckReportsPage(ageLimits_);
  dialog.Tabs()->addTab(stuckPage, QStringLiteral("Stuck Reports"));
  if (runModal_(dialog) == QDialog::Accepted) {
    ini_.SetLinkSettings(dialog.Result());
    ageLimits_ = stuckPage->Limits();
    aids::WriteAgeLimits(services_.settings, kProgramTitle, ageLimits_);
    RefreshAgeMarks(true);
  }
  ini_.WriteIni();
}

void frmCadromain::mnuCadroQuickStart_Click() {
  const std::string path = JoinPath(JoinPath(programFolder_, "docs"), "CadroUG-QuickStart.pdf");
  if (!PathExists(path)) {
    mnuCadroQuickStart_->setEnabled(false);
    services_.prompts.Message("Hmmm, can't find '" + path + "'\r\nMake sure Cadro was installed correctly",
                              kProgramTitle, PromptIcon::Exclamation);
    return;
  }
  if (!openDocument_(FromAnsi(path))) {
    services_.prompts.Message("No program to show PDF documents could open '" + path + "'", kProgramTitle,
                              PromptIcon::Exclamation);
  }
}

void frmCadromain::mnuAbout_Click() {
  frmAbout about(this);
  runModal_(about);
}

void frmCadromain::ShowConfig() {
  panelConfig_->setText(FromAnsi(ConfigPanelText(ini_.Values())));
}

void frmCadromain::ShowUnreadableSettings() {
  const std::vector<std::string>& lines = ini_.UnreadableSettings();
  std::string text;
  for (const std::string& line : lines) {
    log_.WriteLog("Cadrocts.ini: " + line);
    text += (text.empty() ? "Cadrocts.ini: " : "; ") + line;
  }
  panelSettings_->setText(FromAnsi(text));
  panelSettings_->setToolTip(lines.empty() ? QString()
                                           : QStringLiteral("Set the values again in Setup > Location ID "
                                                            "and Setup > Preferences"));
  panelSettings_->setVisible(!lines.empty());
}

void frmCadromain::ShowClock() {
  panelTime_->setText(QString::fromLatin1(services_.clock.Now().ClockText()));
}

}  // namespace cadro
