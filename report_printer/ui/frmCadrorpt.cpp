#include "frmCadrorpt.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "QtPlatform.h"

namespace cadro {
namespace {

QFrame* Separator(const char* name, QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setObjectName(QString::fromLatin1(name));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

frmCadrorpt::frmCadrorpt(Services& services, Printers& printers, std::string programFolder,
                         DialogFactory dialogs)
    : dialogs_(std::move(dialogs)) {
  setObjectName(QStringLiteral("frmCadrorpt"));
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(20, 12, 20, 20);  // 300 twips right and bottom
  auto* buttons = new QHBoxLayout;
  cmdPreview_ = Button("cmdPreview", "P&review", central);
  cmdPrint_ = Button("cmdPrint", "&Print", central);
  AddShortcut(cmdPrint_, QKeySequence::Print);
  cmdClose_ = Button("cmdClose", "&Close", central);
  buttons->addWidget(cmdPreview_);
  buttons->addWidget(cmdPrint_);
  buttons->addStretch();
  buttons->addWidget(cmdClose_);
  column->addLayout(buttons);
  column->addWidget(Separator("Line1", central));
  txtArea_ = new QPlainTextEdit(central);
  txtArea_->setObjectName(QStringLiteral("txtArea"));
  txtArea_->setReadOnly(true);
  txtArea_->setAccessibleName(QStringLiteral("Progress"));
  column->addWidget(txtArea_, 1);
  column->addWidget(Separator("Line2", central));
  setCentralWidget(central);

  QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuPrint_ = mnuFile->addAction(QStringLiteral("&Print..."));
  mnuPrint_->setObjectName(QStringLiteral("mnuPrint"));
  QAction* mnuExit = mnuFile->addAction(QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));
  QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuHelp->addAction(QStringLiteral("&About"))->setObjectName(QStringLiteral("mnuAbout"));

  tmrPause_ = new QTimer(this);
  tmrPause_->setObjectName(QStringLiteral("tmrPause"));
  tmrPause_->setSingleShot(true);

  connect(cmdPrint_, &QPushButton::clicked, this, &frmCadrorpt::cmdPrint_Click);
  connect(cmdPreview_, &QPushButton::clicked, this, &frmCadrorpt::cmdPreview_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &frmCadrorpt::cmdClose_Click);
  connect(mnuPrint_, &QAction::triggered, this, &frmCadrorpt::mnuPrint_Click);
  connect(mnuExit, &QAction::triggered, this, &frmCadrorpt::mnuExit_Click);

  resize(520, 360);
  session_ = std::make_unique<ReportSession>(services, printers, std::move(programFolder), *this);
}

frmCadrorpt::~frmCadrorpt() = default;

std::optional<RunStatus> frmCadrorpt::Form_Load(const std::string& commandLine) {
  setWindowTitle(FromAnsi(ReportSession::WindowCaption()));
  show();
  const std::optional<RunStatus> exitNow = session_->Load(commandLine);
  // Printing from the menu needs what the Print button needs.
  mnuPrint_->setEnabled(cmdPrint_->isEnabled());
  if (exitNow) close();
  return exitNow;
}

void frmCadrorpt::Pause(int milliSeconds) {
  QEventLoop loop;
  tmrPause_->stop();
  tmrPause_->setInterval(milliSeconds);
  const auto connection = connect(tmrPause_, &QTimer::timeout, &loop, &QEventLoop::quit);
  tmrPause_->start();
  loop.exec();
  disconnect(connection);
}

void frmCadrorpt::cmdPrint_Click() {
  session_->PrintReport();
}

void frmCadrorpt::mnuPrint_Click() {
  if (!cmdPrint_->isEnabled()) return;
  const std::unique_ptr<PrintDialogBackend> dialog = dialogs_(this);
  session_->PrintWithDialog(*dialog);
}

void frmCadrorpt::cmdPreview_Click() {
  // The pause lets events run, this button's among them: a second press meanwhile is the same
  // preview, not a second drawing over it.
  if (previewPending_) return;
  if (!preview_) preview_ = new frmRptPreview;
  preview_->show();
  preview_->raise();
  previewPending_ = true;
  Pause(250);
  previewPending_ = false;
  if (preview_) preview_->Picture1()->RenderReport(session_->Form(), session_->Data());
}

void frmCadrorpt::cmdClose_Click() {
  close();
}

void frmCadrorpt::mnuExit_Click() {
  close();
}

void frmCadrorpt::closeEvent(QCloseEvent* event) {
  session_->Unload();
  event->accept();
}

void frmCadrorpt::ShowProgress(const std::string& text) {
  txtArea_->moveCursor(QTextCursor::End);
  txtArea_->insertPlainText(FromAnsi(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  txtArea_->moveCursor(QTextCursor::End);
}

void frmCadrorpt::SetPrintEnabled(bool enabled) {
  cmdPrint_->setEnabled(enabled);
  mnuPrint_->setEnabled(enabled);
}

void frmCadrorpt::SetPreviewEnabled(bool enabled) {
  cmdPreview_->setEnabled(enabled);
}

void frmCadrorpt::SetPrintToolTip(const std::string& tip) {
  cmdPrint_->setToolTip(FromAnsi(tip));
}

}  // namespace cadro
