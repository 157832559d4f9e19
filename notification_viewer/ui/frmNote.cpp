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

  // The load itself runs once the window shows (or when something asks for it first).
  const Clock& clock = services.clock;
  viewer_ = std::make_unique<NoteViewer>(services, fileLib, sound, std::move(programVersion), kProgramTitle,
                                         [&clock] { return ToAnsi(GeneralDateTime(clock.Now())); });

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
}

NoteViewer& frmNote::Viewer() const {
  if (!viewer_->Started()) {
    viewer_->Start();
    if (viewer_->Started()) {
      viewer_->Service().OnShown([this](std::int16_t level, const std::string& message) {
        emit const_cast<frmNote*>(this)->noteShown(level, FromAnsi(message));
      });
    }
  }
  return *viewer_;
}

void frmNote::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (loadScheduled_) return;
  loadScheduled_ = true;
  // The window is on the screen before the host's files are touched; the first poll comes an
  // interval later.
  tmrNote_.start();
  QTimer::singleShot(0, this, [this] {
    if (unloaded_) return;
    Viewer();
    emit started();
  });
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
  const int shown = Viewer().Service().GetNote();
  if (shown > 0) {
    Refresh();
    emit notesShown(shown);
  }
}

void frmNote::ShowNote(std::int16_t level, const std::string& message) {
  if (unloaded_) return;
  Viewer().Service().ShowNote(level, message);
  Refresh();
}

void frmNote::Refresh() {
  QString text = FromAnsi(Viewer().Service().Log().Text());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  txtMessage_->setPlainText(text);
  txtMessage_->moveCursor(QTextCursor::End);
  txtMessage_->ensureCursorVisible();
  count_->setText(QString::fromStdString(Viewer().Service().Log().CountText()));
}

void frmNote::Unload() {
  if (unloaded_) return;
  tmrNote_.stop();
  // What a claimed notes file still holds is taken in (and journalled) before the file goes.
  if (viewer_->Started() && viewer_->Unload() > 0) Refresh();
  viewer_->Unload();
  unloaded_ = true;
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
