#include "frmNote.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>

#include "FileIO.h"
#include "FileLib.h"
#include "HostPath.h"
#include "QtPlatform.h"
#include "StringLib.h"

namespace cadro {

QString GeneralDateTime(const LocalTime& t) {
  const QLocale locale;
  // The long time format adds the time zone, which the log line has no use for.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
  const QDateTime when(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
  return locale.toString(when,
                         locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + timeFormat.trimmed());
}

std::string NotesFilePath(const std::string& dirLogs) {
  // An empty DirLogs names the root, as "\Vtnote.dat" does for the host.
  if (dirLogs.empty()) return HostPath("\\Vtnote.dat");
  return JoinPath(HostPath(dirLogs), "Vtnote.dat");
}

frmNote::frmNote(const Services& services, FileLib& fileLib, SoundPlayer& sound, std::string programVersion,
                 QWidget* parent)
    : QMainWindow(parent), services_(services) {
  setObjectName(QStringLiteral("frmNote"));
  setWindowTitle(QStringLiteral("Vantrel Notification"));

  txtMessage_ = new QPlainTextEdit(this);
  txtMessage_->setObjectName(QStringLiteral("txtMessage"));
  txtMessage_->setAccessibleName(QStringLiteral("Notifications"));
  txtMessage_->setReadOnly(true);
  txtMessage_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtMessage_->setFont(QFont(QStringLiteral("Calibri"), 11));
  setCentralWidget(txtMessage_);

  statusBar()->setObjectName(QStringLiteral("sbrStatus"));
  count_ = new QLabel(statusBar());
  count_->setObjectName(QStringLiteral("Count"));
  statusBar()->addWidget(count_, 1);
  statusBar()->setSizeGripEnabled(true);

  BuildMenus();
  // Key preview: Esc closes the window whichever control has the focus.
  txtMessage_->installEventFilter(this);
  resize(560, 240);

  // Load: the profile the host uses now, the sound device, the notes file it names.
  std::string profName =
      services.settings.Get("Vantrel Packet Message Manager", "Settings", "ProfName").value_or("Vantrel");
  // A name that would put the profile outside the data folder names no profile of the host's.
  if (!IsPlainHostFileName(profName)) {
    services.eventLog.Error("frmNote:Form_Load, ProfName = " + profName +
                            " is no profile name; the profile Vantrel is used");
    profName = "Vantrel";
  }
  device_ = std::make_unique<VtDevice>(sound, services.prompts);
  ini_ = std::make_unique<VtInit>(fileLib, services, std::move(programVersion), kProgramTitle);
  ini_->StartClass(profName + ".profile", "");
  const std::string journal = JoinPath(fileLib.DataPath(), "Srnote.tmp");
  inbox_ = std::make_unique<NotesInbox>(NotesFilePath(ini_->DirLogs()), services.eventLog, journal);
  const Clock& clock = services.clock;
  service_ = std::make_unique<NoteService>(
      *ini_, *device_, *inbox_, journal, [&clock] { return ToAnsi(GeneralDateTime(clock.Now())); },
      services.locale.DecimalSeparator());
  service_->OnShown(
      [this](std::int16_t level, const std::string& message) { emit noteShown(level, FromAnsi(message)); });

  setWindowTitle(QString::fromLatin1(kAppTitle));
  txtMessage_->clear();
  // The next poll starts one interval after the last one ended, so polls never overlap.
  tmrNote_.setObjectName(QStringLiteral("tmrNote"));
  tmrNote_.setSingleShot(true);
  tmrNote_.setTimerType(Qt::PreciseTimer);
  tmrNote_.setInterval(1000);
  connect(&tmrNote_, &QTimer::timeout, this, [this] {
    GetNote();
    if (!unloaded_) tmrNote_.start();
  });
  tmrNote_.start();
}

frmNote::~frmNote() {
  Unload();
}

void frmNote::BuildMenus() {
  QMenuBar* bar = menuBar();
  QAction* close = bar->addAction(tr("&Close"));
  close->setObjectName(QStringLiteral("mnuClose"));
  connect(close, &QAction::triggered, this, &QWidget::close);

  QMenu* edit = bar->addMenu(tr("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  edit->menuAction()->setObjectName(QStringLiteral("mnuEdit"));
  QAction* cut = edit->addAction(tr("Cu&t"));
  cut->setObjectName(QStringLiteral("mnuCut"));
  cut->setShortcut(QKeySequence(QStringLiteral("Ctrl+X")));
  cut->setEnabled(false);
  QAction* copy = edit->addAction(tr("&Copy"));
  copy->setObjectName(QStringLiteral("mnuCopy"));
  copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
  connect(copy, &QAction::triggered, this, &frmNote::Copy);
  QAction* paste = edit->addAction(tr("&Paste"));
  paste->setObjectName(QStringLiteral("mnuPaste"));
  paste->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
  paste->setEnabled(false);
  edit->addSeparator()->setObjectName(QStringLiteral("Sep1"));
  QAction* selectAll = edit->addAction(tr("Select &All"));
  selectAll->setObjectName(QStringLiteral("mnuSelectAll"));
  connect(selectAll, &QAction::triggered, txtMessage_, &QPlainTextEdit::selectAll);
}

void frmNote::Copy() {
  QClipboard* clipboard = QApplication::clipboard();
  clipboard->clear();
  QWidget* focus = QApplication::focusWidget();
  if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
    QString text = plain->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    clipboard->setText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(focus)) {
    clipboard->setText(line->selectedText());
  }
}

void frmNote::GetNote() {
  if (unloaded_) return;
  const int shown = service_->GetNote();
  if (shown > 0) {
    Refresh();
    emit notesShown(shown);
  }
}

void frmNote::ShowNote(std::int16_t level, const std::string& message) {
  if (unloaded_) return;
  service_->ShowNote(level, message);
  Refresh();
}

void frmNote::Refresh() {
  QString text = FromAnsi(service_->Log().Text());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  txtMessage_->setPlainText(text);
  txtMessage_->moveCursor(QTextCursor::End);
  txtMessage_->ensureCursorVisible();
  count_->setText(QString::fromStdString(service_->Log().CountText()));
}

void frmNote::Unload() {
  if (unloaded_) return;
  tmrNote_.stop();
  // What a claimed notes file still holds is taken in (and journalled) before the file goes.
  if (service_->Finish() > 0) Refresh();
  unloaded_ = true;
  device_.reset();
  ini_->Release();
}

bool frmNote::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    close();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void frmNote::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void frmNote::closeEvent(QCloseEvent* event) {
  Unload();
  event->accept();
}

}  // namespace cadro
