#include "frmAddlaunch.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "FolderPicker.h"
#include "HostFiles.h"
#include "HostPath.h"
#include "QtPlatform.h"
#include "frmPathLookup.h"

namespace cadro::addlaunch {

frmAddlaunch::frmAddlaunch(const Services& services, FolderPicker& picker, std::string programFolder,
                           std::string loaderVersion, QWidget* parent)
    : QWidget(parent),
      scroll_(new QScrollArea(this)),
      lblOut(new QLabel),
      tmrPause(new QTimer(this)),
      picker_(picker),
      session_(services, *this, std::move(programFolder), std::move(loaderVersion)) {
  setObjectName(QStringLiteral("frmAddlaunch"));
  setWindowTitle(QStringLiteral("Form1"));

  lblOut->setObjectName(QStringLiteral("lblOut"));
  lblOut->setTextFormat(Qt::PlainText);
  lblOut->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblOut->setWordWrap(true);
  lblOut->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblOut->setContentsMargins(6, 6, 6, 6);
  QFont font(QStringLiteral("Calibri"));
  font.setPointSize(10);
  lblOut->setFont(font);

  // The loader file is echoed whole, so the narration can outgrow the window; the newest line
  // (the outcome) must stay in view.
  scroll_->setWidget(lblOut);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setBackgroundRole(QPalette::Base);
  connect(scroll_->verticalScrollBar(), &QScrollBar::rangeChanged, this,
          [this](int, int max) { scroll_->verticalScrollBar()->setValue(max); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  resize(560, 400);

  tmrPause->setObjectName(QStringLiteral("tmrPause"));
  connect(tmrPause, &QTimer::timeout, this, &frmAddlaunch::tmrPause_Timer);
}

ExitStatus frmAddlaunch::Form_Load(const std::string& commandLine) {
  show();
  const ExitStatus status = session_.Load(commandLine);
  tmrPause->stop();
  hide();
  return status;
}

void frmAddlaunch::SetCaption(const std::string& caption) {
  setWindowTitle(FromAnsi(caption));
}

void frmAddlaunch::ClearOutput() {
  output_.clear();
  lblOut->clear();
}

void frmAddlaunch::AppendOutput(const std::string& line) {
  output_ += line;
  output_ += "\r\n";
  lblOut->setText(FromAnsi(output_).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

bool frmAddlaunch::Pause(int milliseconds) {
  if (closed_) return false;
  tmrPause->stop();
  tmrPause->setInterval(static_cast<int>(std::lround(milliseconds * pauseScale_)));
  tmrPause->start();
  // Every pause is bounded by its timer; closing the window ends it early.
  QEventLoop loop;
  connect(tmrPause, &QTimer::timeout, &loop, &QEventLoop::quit);
  connect(this, &frmAddlaunch::closed, &loop, &QEventLoop::quit);
  if (tmrPause->isActive()) loop.exec();
  return !closed_;
}

void frmAddlaunch::tmrPause_Timer() {
  tmrPause->stop();
}

std::string frmAddlaunch::ChooseProgramPath(const std::string& candidateDirs) {
  frmPathLookup dialog(session_.chosenDir(), this);
  dialog.FillList(candidateDirs);
  dialog.exec();
  return dialog.ChosenDir();
}

std::string frmAddlaunch::GetVantrelDirName() {
  try {
    const QString start = QString::fromStdString(HostPath("C:\\Program Files (x86)\\"));
    const std::string local = picker_.PickFolder(this, QStringLiteral("Select a directory"), start);
    return local.empty() ? std::string() : HostFormOfFolder(local);
  } catch (...) {
    // A picker that fails is a picker that chose nothing; the run then says so.
    return {};
  }
}

void frmAddlaunch::closeEvent(QCloseEvent* event) {
  closed_ = true;
  tmrPause->stop();
  event->accept();
  emit closed();
}

}  // namespace cadro::addlaunch
