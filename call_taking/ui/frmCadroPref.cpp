#include "frmCadroPref.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "DialogLabel.h"
#include "QtPlatform.h"
#include "StationRules.h"
#include "WidgetMarks.h"

namespace cadro {
namespace {

constexpr const char* kTitle = "Preferences";

// The time-out caption leaves a gap in which its box stands: "Network Timeout:", the box, "msec".
class GapLabel final : public QLabel {
public:
  GapLabel(const QString& text, QLineEdit* box, QWidget* parent) : QLabel(text, parent), box_(box) {
    box_->setParent(this);
    setMinimumHeight(box_->sizeHint().height());
  }

protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    const QString caption = text();
    const int colon = static_cast<int>(caption.indexOf(QLatin1Char(':')));
    const int gapEnd = static_cast<int>(caption.lastIndexOf(QLatin1Char(' ')));
    const QFontMetrics fm(font());
    const int left = fm.horizontalAdvance(caption.left(colon + 2));
    const int right = fm.horizontalAdvance(caption.left(gapEnd));
    const int h = box_->sizeHint().height();
    box_->setGeometry(left, (height() - h) / 2, std::max(40, right - left - 4), h);
  }

  QSize minimumSizeHint() const override { return sizeHint(); }

private:
  QLineEdit* box_;
};

}  // namespace

frmCadroPref::frmCadroPref(const StationSettings& settings, Prompts& prompts, LinkTest linkTest,
                           QWidget* parent)
    : QDialog(parent), settings_(settings), prompts_(prompts), linkTest_(std::move(linkTest)) {
  setObjectName(QStringLiteral("frmCadroPref"));
  setWindowTitle(QString::fromLatin1(kTitle));
  setModal(true);

  SSTab1_ = new QTabWidget(this);
  SSTab1_->setObjectName(QStringLiteral("SSTab1"));

  // Tab 0: the direct-entry server.
  auto* networkPage = new QWidget;
  nframe_[0] = new QGroupBox(QStringLiteral("Message Server (Vtdirect)"), networkPage);
  nframe_[0]->setObjectName(QStringLiteral("nframe_0"));
  for (int i = 0; i < 3; ++i) {
    txtServer_[i] = new QLineEdit;
    txtServer_[i]->setObjectName(QStringLiteral("txtServer_%1").arg(i));
    txtServer_[i]->installEventFilter(this);
  }
  auto* grid = new QGridLayout(nframe_[0]);
  grid->addWidget(MakeLabel(nframe_[0], "Label22", "Remote Host:", txtServer_[0]), 0, 0);
  grid->addWidget(txtServer_[0], 0, 1);
  grid->addWidget(MakeLabel(nframe_[0], "Label23", "Remote Port:", txtServer_[1]), 1, 0);
  grid->addWidget(txtServer_[1], 1, 1);
  txtServer_[1]->setMaximumWidth(90);
  auto* Label24 =
      new GapLabel(QStringLiteral("Network Timeout:                      msec"), txtServer_[2], nframe_[0]);
  Label24->setObjectName(QStringLiteral("Label24"));
  // The box stands inside its caption, where no buddy lookup finds it.
  txtServer_[2]->setAccessibleName(QStringLiteral("Network Timeout (msec)"));
  grid->addWidget(Label24, 2, 0, 1, 2);
  auto* cmdTest = new QPushButton(QStringLiteral("Vtdirect &Link Test"), nframe_[0]);
  cmdTest->setObjectName(QStringLiteral("cmdTest"));
  connect(cmdTest, &QPushButton::clicked, this, &frmCadroPref::cmdTest_Click);
  grid->addWidget(cmdTest, 3, 0, 1, 2, Qt::AlignLeft);
  auto* networkLayout = new QVBoxLayout(networkPage);
  networkLayout->addWidget(nframe_[0]);
  networkLayout->addStretch();
  SSTab1_->addTab(networkPage, QStringLiteral("Network"));

  // Tab 1: the message encoding.
  auto* encodingPage = new QWidget;
  nframe_[1] = new QGroupBox(QStringLiteral("Set Message Encoding"), encodingPage);
  nframe_[1]->setObjectName(QStringLiteral("nframe_1"));
  cboEncType_ = new QComboBox(nframe_[1]);
  cboEncType_->setObjectName(QStringLiteral("cboEncType"));
  auto* encodingRow = new QHBoxLayout(nframe_[1]);
  encodingRow->addWidget(MakeLabel(nframe_[1], "Label1", "Encode Method:", cboEncType_));
  encodingRow->addWidget(cboEncType_);
  encodingRow->addStretch();
  auto* encodingLayout = new QVBoxLayout(encodingPage);
  encodingLayout->addWidget(nframe_[1]);
  encodingLayout->addStretch();
  SSTab1_->addTab(encodingPage, QStringLiteral("Encoding"));

  auto* cmdOK = new QPushButton(QStringLiteral("&OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(cmdOK, &QPushButton::clicked, this, &frmCadroPref::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SSTab1_);
  layout->addLayout(buttons);
  setMinimumWidth(400);

  // Load.
  txtServer_[0]->setText(FromAnsi(settings_.Hst));
  txtServer_[1]->setText(FromAnsi(settings_.Prt));
  txtServer_[2]->setText(QString::number(settings_.Nto));
  cboEncType_->addItem(QStringLiteral("NONE"));
  cboEncType_->addItem(QStringLiteral("BASE64"));
  cboEncType_->setCurrentIndex(settings_.Enc == "BASE64" ? 1 : 0);
  connect(SSTab1_, &QTabWidget::currentChanged, this, &frmCadroPref::SSTab1_Click);
  SSTab1_->setCurrentIndex(0);
  SSTab1_Click(0);
}

void frmCadroPref::SSTab1_Click(int tab) {
  if (tab < 0 || tab > 1) return;  // pages added by callers hold no frame of these two
  for (int i = 0; i < 2; ++i) nframe_[i]->setEnabled(i == tab);
  QWidget* first = tab == 0 ? static_cast<QWidget*>(txtServer_[0]) : cboEncType_;
  first->setFocus();
}

void frmCadroPref::cmdOK_Click() {
  bool anyEmpty = false;
  for (QLineEdit* box : txtServer_) {
    if (box->text().isEmpty()) {
      marks::MarkYellow(box);
      anyEmpty = true;
    }
  }
  if (anyEmpty) {
    SSTab1_->setCurrentIndex(0);
    return;
  }
  // The port and the time-out are numbers the link needs; anything else would fail only later,
  // in the middle of a call.
  const std::optional<int> port = ParsePort(ToAnsi(txtServer_[1]->text()));
  const std::optional<std::int16_t> timeout = ParseTimeout(ToAnsi(txtServer_[2]->text()));
  if (!port || !timeout) {
    std::string why;
    if (!port) {
      marks::MarkYellow(txtServer_[1]);
      why += "Remote Port must be a whole number from 1 to 65535.";
    }
    if (!timeout) {
      marks::MarkYellow(txtServer_[2]);
      if (!why.empty()) why += "\r\n";
      why += "Network Timeout must be a whole number of milliseconds from 1 to 32767.";
    }
    SSTab1_->setCurrentIndex(0);
    prompts_.Message(why, kTitle, PromptIcon::Exclamation);
    return;
  }
  settings_.Hst = ToAnsi(txtServer_[0]->text().toUpper());
  settings_.Prt = ToAnsi(txtServer_[1]->text());
  settings_.Nto = *timeout;
  settings_.Enc = ToAnsi(cboEncType_->currentText());
  accept();
}

void frmCadroPref::cmdTest_Click() {
  if (!linkTest_) {
    prompts_.Message("The Vtdirect link test is not yet available in this version.", kTitle,
                     PromptIcon::Information);
    return;
  }
  StationSettings typed = settings_;
  typed.Hst = ToAnsi(txtServer_[0]->text().toUpper());
  typed.Prt = ToAnsi(txtServer_[1]->text());
  if (const auto timeout = ParseTimeout(ToAnsi(txtServer_[2]->text()))) typed.Nto = *timeout;
  linkTest_(typed);
}

bool frmCadroPref::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    for (QLineEdit* box : txtServer_) {
      if (watched == box) marks::ClearMark(box);
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace cadro
