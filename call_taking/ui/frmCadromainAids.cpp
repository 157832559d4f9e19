// The list window's aids for a busy net: the search box above the list, the marks on reports
// that wait too long, the hint about a possible duplicate call, and File > Export Log...
// None of them changes a report, the list's columns or Cadrocts.ini.
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <set>

#include "AgeMarks.h"
#include "CommsLog.h"
#include "CommsLogPdf.h"
#include "DuplicateCheck.h"
#include "EntryFormPort.h"
#include "FileIO.h"
#include "IncidentListModel.h"
#include "ProgramIdentity.h"
#include "QtPlatform.h"
#include "RunError.h"
#include "frmCadromain.h"
#include "frmExportLog.h"

namespace cadro {
namespace {

// Escape empties the search box, so the whole folder is back with one key.
class SearchBox final : public QLineEdit {
public:
  using QLineEdit::QLineEdit;

protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
      clear();
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
};

bool CountsAsStored(int state) {
  return state == folder::kReady || state == folder::kDraft || state == folder::kSubmitted;
}

// A report's place in the set of reports last listed. Two Idx texts sharing one would only
// cost a duplicate hint, once in billions of listings.
std::uint64_t IdxKey(const std::string& idx) {
  return std::hash<std::string>{}(idx);
}

std::int64_t DayOf(const QDate& d) {
  return d.isValid() ? QDate(1899, 12, 30).daysTo(d) : 0;
}

}  // namespace

void frmCadromain::BuildAidControls(QVBoxLayout* listColumn, QStatusBar* bar) {
  ageLimits_ = aids::ReadAgeLimits(services_.settings, kProgramTitle);

  txtSearch_ = new SearchBox(LV_->parentWidget());
  txtSearch_->setObjectName(QStringLiteral("txtSearch"));
  txtSearch_->setPlaceholderText(
      QStringLiteral("Search event ID, type, issue, location, city, details (Ctrl+F)"));
  txtSearch_->setAccessibleName(QStringLiteral("Search the list"));
  connect(txtSearch_, &QLineEdit::textChanged, this, &frmCadromain::txtSearch_Change);
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, [this] {
    txtSearch_->setFocus(Qt::ShortcutFocusReason);
    txtSearch_->selectAll();
  });

  fraDuplicateHint_ = new QFrame(LV_->parentWidget());
  fraDuplicateHint_->setObjectName(QStringLiteral("fraDuplicateHint"));
  fraDuplicateHint_->setFrameShape(QFrame::StyledPanel);
  fraDuplicateHint_->setStyleSheet(QStringLiteral(
      "#fraDuplicateHint { background: rgb(255, 244, 176); border: 1px solid rgb(200, 160, 0); }"));
  lblDuplicateHint_ = new QLabel(fraDuplicateHint_);
  lblDuplicateHint_->setObjectName(QStringLiteral("lblDuplicateHint"));
  lblDuplicateHint_->setWordWrap(true);
  lblDuplicateHintFor_ = new QLabel(fraDuplicateHint_);
  lblDuplicateHintFor_->setObjectName(QStringLiteral("lblDuplicateHintFor"));
  auto* open = new QPushButton(QStringLiteral("&Open"), fraDuplicateHint_);
  open->setObjectName(QStringLiteral("cmdHintOpen"));
  auto* ignore = new QPushButton(QStringLiteral("&Ignore"), fraDuplicateHint_);
  ignore->setObjectName(QStringLiteral("cmdHintIgnore"));
  connect(open, &QPushButton::clicked, this, &frmCadromain::cmdHintOpen_Click);
  connect(ignore, &QPushButton::clicked, this, &frmCadromain::cmdHintIgnore_Click);
  auto* hintRow = new QHBoxLayout(fraDuplicateHint_);
  hintRow->setContentsMargins(8, 4, 8, 4);
  hintRow->addWidget(lblDuplicateHintFor_);
  hintRow->addWidget(lblDuplicateHint_, 1);
  hintRow->addWidget(open);
  hintRow->addWidget(ignore);
  fraDuplicateHint_->hide();

  // Above the list, below the folder caption.
  const int listAt = listColumn->indexOf(LV_);
  listColumn->insertWidget(listAt, fraDuplicateHint_);
  listColumn->insertWidget(listAt, txtSearch_);
  // Tab reaches them in the order they stand: the search box, the hint, then the list.
  QWidget* beforeList = LV_->previousInFocusChain();
  QWidget::setTabOrder(beforeList, txtSearch_);
  QWidget::setTabOrder(txtSearch_, open);
  QWidget::setTabOrder(open, ignore);
  QWidget::setTabOrder(ignore, LV_);

  panelStuck_ = new QLabel(bar);
  panelStuck_->setObjectName(QStringLiteral("sbrStatus_Stuck"));
  panelStuck_->setStyleSheet(QStringLiteral("color: rgb(160, 60, 0); font-weight: bold;"));
  bar->insertWidget(1, panelStuck_);

  // The marks follow the clock: checked every second, redrawn when the minute turns.
  connect(tmrClock_, &QTimer::timeout, this, [this] { RefreshAgeMarks(); });
}

void frmCadromain::txtSearch_Change(const QString& text) {
  model_->SetFilter(ToAnsi(text));
  ShowItemCount();
}

void frmCadromain::AfterListBuilt() {
  // A report the previous listing did not know, now stored as ready, draft or submitted, was
  // just saved or submitted as new: the entry form is the only writer of the message folder.
  const std::vector<IncidentRow>& reports = model_->Reports();
  std::vector<std::uint64_t> known;
  known.reserve(reports.size());
  std::vector<std::size_t> fresh;
  for (std::size_t i = 0; i < reports.size(); ++i) {
    const std::uint64_t key = IdxKey(reports[i].columns[kIdxColumn]);
    if (listBuiltOnce_ && CountsAsStored(reports[i].state) &&
        !std::binary_search(knownReports_.begin(), knownReports_.end(), key)) {
      fresh.push_back(i);
    }
    known.push_back(key);
  }
  std::sort(known.begin(), known.end());
  knownReports_ = std::move(known);
  listBuiltOnce_ = true;
  // The hint speaks of the report just saved and of the earlier one it may repeat. Once another
  // new one is saved it no longer applies; until then it is checked again with every listing,
  // as either report may have been corrected, deleted or removed since (its Open would show a
  // deleted report, or one that no longer matches).
  const auto showHint = [&](std::size_t about) {
    const std::optional<std::size_t> earlier = aids::FindPossibleDuplicate(reports[about], reports);
    if (!earlier) return false;
    hintIdx_ = reports[*earlier].columns[kIdxColumn];
    hintFor_ = reports[about].columns[kIdxColumn];
    lblDuplicateHintFor_->setText(FromAnsi(hintFor_ + ":"));
    lblDuplicateHint_->setText(FromAnsi(aids::DuplicateHintText(reports[*earlier])));
    fraDuplicateHint_->show();
    return true;
  };
  if (!hintFor_.empty()) {
    const auto about = std::find_if(reports.begin(), reports.end(), [this](const IncidentRow& r) {
      return r.columns[kIdxColumn] == hintFor_;
    });
    const bool another = std::any_of(fresh.begin(), fresh.end(), [&](std::size_t i) {
      return reports[i].columns[kIdxColumn] != hintFor_;
    });
    const bool holds = !another && about != reports.end() && CountsAsStored(about->state) &&
                       showHint(static_cast<std::size_t>(about - reports.begin()));
    if (!holds) cmdHintIgnore_Click();
  }
  for (const std::size_t i : fresh) showHint(i);
  RefreshAgeMarks(true);
}

void frmCadromain::cmdHintOpen_Click() {
  // Refused during a delivery, the hint stays for another try.
  if (hintIdx_.empty() || OpenInEntryForm(hintIdx_)) {
    fraDuplicateHint_->hide();
    hintFor_.clear();
  }
}

void frmCadromain::cmdHintIgnore_Click() {
  fraDuplicateHint_->hide();
  hintIdx_.clear();
  hintFor_.clear();
}

void frmCadromain::RefreshAgeMarks(bool force) {
  const std::int64_t now = aids::MinuteOf(services_.clock.Now());
  if (!force && now == marksMinute_) return;
  marksMinute_ = now;
  model_->SetAgeMarks(ageLimits_, now);
  const QString text =
      FromAnsi(aids::StuckText(aids::CountStuck(model_->Reports(), now, ageLimits_), ageLimits_));
  panelStuck_->setText(text);
  panelStuck_->setVisible(!text.isEmpty());
}

void frmCadromain::mnuExportLog_Click() {
  if (!listRecord_) return;
  const LocalTime now = services_.clock.Now();
  const QDate today(now.year, now.month, now.day);
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
  const QString defaultBase =
      QDir(documents).filePath(QStringLiteral("CommsLog-%1").arg(today.toString(QStringLiteral("yyyyMMdd"))));
  aids::frmExportLog dialog(FromAnsi(FolderName(currentFolder_)), today, defaultBase, this);
  // Files this dialog has written itself may be written again without asking: a PDF that failed
  // after its CSV went out is tried again with the CSV.
  std::set<QString> writtenHere;
  dialog.SetExporter([this, now, today, &writtenHere](const aids::ExportChoice& choice) {
    return ExportLog(choice, now, today, writtenHere);
  });
  runModal_(dialog);
}

std::vector<IncidentRow> frmCadromain::ReadEveryReport() {
  // Tens of thousands of files take a while to read: the window goes on painting meanwhile,
  // as it does while the list is read. The export's dialog takes no second OK and does not
  // close until the reading and the writing are done.
  std::vector<IncidentRow> every;
  QEventLoop wait;
  BackgroundListing reading(
      listRecord_->MessageFolder(),
      [&wait] {
        QMetaObject::invokeMethod(
            &wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
      },
      readerSetup_);
  for (;;) {
    ListingBatch batch = reading.Take();
    if (every.capacity() < batch.total) every.reserve(batch.total);
    every.insert(every.end(), std::make_move_iterator(batch.rows.begin()),
                 std::make_move_iterator(batch.rows.end()));
    PassOn(batch.notices);
    if (batch.finished) break;
    wait.exec();
  }
  ShowPendingMessages();
  return every;
}

bool frmCadromain::ExportLog(const aids::ExportChoice& choice, const LocalTime& now, const QDate& today,
                             std::set<QString>& writtenHere) {
  std::vector<QString> paths;
  if (choice.csv) paths.push_back(choice.basePath + QStringLiteral(".csv"));
  if (choice.pdf) paths.push_back(choice.basePath + QStringLiteral(".pdf"));

  // A log of last week's shift is evidence; it is replaced only when the operator says so.
  std::string existing;
  int existingCount = 0;
  for (const QString& path : paths) {
    if (writtenHere.count(path) == 0 && QFileInfo::exists(path)) {
      existing += "\r\n" + ToAnsi(path);
      ++existingCount;
    }
  }
  if (existingCount > 0 &&
      !services_.prompts.AskYesNoDefaultNo(
          (existingCount == 1 ? "This file already exists:" : "These files already exist:") + existing +
              "\r\n\r\nReplace " + (existingCount == 1 ? "it" : "them") + "?",
          kProgramTitle, PromptIcon::Exclamation)) {
    return false;
  }

  // Read the folder afresh: the log must hold what is on disk now, not what the list last saw.
  std::vector<IncidentRow> every = ReadEveryReport();
  aids::LogSelection selection;
  selection.byDateRange = choice.byDateRange;
  selection.folderCode = currentFolder_;
  selection.firstDay = DayOf(choice.from);
  selection.lastDay = DayOf(choice.to);
  const std::vector<aids::CommsLogEntry> entries = aids::SelectLogEntries(every, selection);

  aids::CommsLogHeader header;
  header.station = ini_.Values().Loc;
  header.locationId = ini_.Values().Lid;
  header.operatorName = ini_.Values().Nam + (ini_.Values().Uid.empty() ? "" : " (" + ini_.Values().Uid + ")");
  const QString stamp = QStringLiteral("%1 %2").arg(today.toString(QStringLiteral("MM/dd/yyyy")),
                                                    QString::fromLatin1(now.ClockText()).left(5));
  header.period = ToAnsi(choice.byDateRange
                             ? choice.from.toString(QStringLiteral("MM/dd/yyyy")) + QStringLiteral(" to ") +
                                   choice.to.toString(QStringLiteral("MM/dd/yyyy"))
                             : QStringLiteral("folder ") + FromAnsi(FolderName(currentFolder_)) +
                                   QStringLiteral(", as of ") + stamp);

  std::string written;
  for (const QString& path : paths) {
    QByteArray bytes;
    QString error;
    if (path.endsWith(QStringLiteral(".csv"))) {
      const std::string csv = aids::ComposeCommsLogCsv(entries);
      bytes = QByteArray(csv.data(), static_cast<qsizetype>(csv.size()));
    } else {
      aids::ComposeCommsLogPdf(header, entries, &bytes, &error);
    }
    if (error.isEmpty()) {
      // File names are the file system's bytes, not the code page's.
      const std::string file = QFile::encodeName(path).toStdString();
      const std::string_view content(bytes.constData(), static_cast<std::size_t>(bytes.size()));
      try {
        if (existingCount > 0 || writtenHere.count(path) > 0) {
          WriteFileAtomic(file, content);
        } else if (WriteNewFileAtomic(file, content) == NewFileResult::Exists) {
          // Created by someone else since the check: not ours to replace unasked.
          error = QStringLiteral("the file appeared meanwhile and was left as it is");
        }
      } catch (const RunError& e) {
        error = FromAnsi(e.NumberAndDescription());
      }
    }
    if (!error.isEmpty()) {
      services_.prompts.Message("Problems writing '" + ToAnsi(path) +
                                    "', please try again\r\nError=" + ToAnsi(error) +
                                    (written.empty() ? std::string() : "\r\n\r\nAlready written:" + written),
                                kProgramTitle, PromptIcon::Exclamation);
      return false;
    }
    writtenHere.insert(path);
    written += "\r\n" + ToAnsi(path);
  }
  services_.prompts.Message(
      "Communications log of " + std::to_string(entries.size()) + " reports written:" + written,
      kProgramTitle, PromptIcon::Information);
  return true;
}

}  // namespace cadro
