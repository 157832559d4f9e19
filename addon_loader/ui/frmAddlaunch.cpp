#include "frmAddlaunch.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "FileIO.h"
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
      picker_(picker),
      session_(services, *this, std::move(programFolder), std::move(loaderVersion)),
      runner_(session_) {
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

  // The narration can outgrow the window; the newest line (the outcome) must stay in view.
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

  connect(&runner_, &LoaderRunner::finished, this, [this](int status) {
    hide();
    emit finished(status);
  });
}

void frmAddlaunch::Form_Load(const std::string& commandLine) {
  show();
  runner_.Start(commandLine);
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

std::string frmAddlaunch::ChooseProgramPath(const std::string& candidateDirs) {
  frmPathLookup dialog(session_.chosenDir(), this);
  dialog.FillList(candidateDirs);
  dialog.exec();
  return dialog.ChosenDir();
}

std::string frmAddlaunch::GetVantrelDirName() {
  try {
    // A 32-bit prefix has no "Program Files (x86)"; drive C is the next best place to start.
    std::string start = HostPath("C:\\Program Files (x86)\\");
    if (!PathExists(start)) start = HostPath("C:\\");
    const std::string local =
        picker_.PickFolder(this, QStringLiteral("Select a directory"), QString::fromStdString(start));
    return local.empty() ? std::string() : HostFormOfFolder(local);
  } catch (...) {
    // A picker that fails is a picker that chose nothing; the run then says so.
    return {};
  }
}

void frmAddlaunch::closeEvent(QCloseEvent* event) {
  event->accept();
  runner_.Close();
}

}  // namespace cadro::addlaunch
