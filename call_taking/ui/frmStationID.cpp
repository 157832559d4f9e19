#include "frmStationID.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "DialogLabel.h"
#include "QtPlatform.h"
#include "StationRules.h"
#include "StringLib.h"
#include "WidgetMarks.h"

namespace cadro {
namespace {

std::string Trimmed(const QLineEdit* box) {
  return std::string(TrimSpaces(ToAnsi(box->text())));
}

}  // namespace

frmStationID::frmStationID(const StationSettings& settings, Prompts& prompts, QWidget* parent)
    : QDialog(parent), settings_(settings), prompts_(prompts) {
  setObjectName(QStringLiteral("frmStationID"));
  setWindowTitle(QStringLiteral("Cadro Station ID"));
  setModal(true);

  auto* Frame1 = new QGroupBox(QStringLiteral("Identification"), this);
  Frame1->setObjectName(QStringLiteral("Frame1"));
  auto* grid = new QGridLayout(Frame1);

  auto* Label4 = MakeLabel(this, "Label4", "");
  Label4->setWordWrap(true);
  Label4->setText(
      QStringLiteral("Enter or confirm your name, user ID, and this location.  Press OK when done."));

  for (int i = 0; i < 6; ++i) {
    txtSID_[i] = new QLineEdit(Frame1);
    txtSID_[i]->setObjectName(QStringLiteral("txtSID_%1").arg(i));
    txtSID_[i]->installEventFilter(this);
  }
  txtSID_[3]->setMaxLength(3);
  txtSID_[4]->setMaxLength(10);

  // Rows in screen order; the boxes keep the indexes the settings are known by.
  // Each caption is its box's buddy, so a screen reader names the box by it.
  grid->addWidget(MakeLabel(Frame1, "Label1", "Name:", txtSID_[0]), 0, 0);
  grid->addWidget(txtSID_[0], 0, 1, 1, 2);
  grid->addWidget(MakeLabel(Frame1, "Label2", "User ID/Call Sign:", txtSID_[1]), 1, 0);
  grid->addWidget(txtSID_[1], 1, 1, 1, 2);
  grid->addWidget(MakeLabel(Frame1, "Label3", "Location:", txtSID_[2]), 2, 0);
  grid->addWidget(txtSID_[2], 2, 1, 1, 2);
  grid->addWidget(MakeLabel(Frame1, "Label8", "City:", txtSID_[5]), 3, 0);
  grid->addWidget(txtSID_[5], 3, 1, 1, 2);
  grid->addWidget(MakeLabel(Frame1, "Label5", "Location ID:", txtSID_[3]), 4, 0);
  grid->addWidget(txtSID_[3], 4, 1);
  grid->addWidget(MakeLabel(Frame1, "Label6", "(3 Char; not Station ID)"), 4, 2);
  grid->addWidget(MakeLabel(Frame1, "Label7", "Next Event No:", txtSID_[4]), 5, 0);
  grid->addWidget(txtSID_[4], 5, 1);
  grid->setColumnStretch(2, 1);
  const int narrow = txtSID_[3]->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12;
  txtSID_[3]->setFixedWidth(narrow);
  txtSID_[4]->setFixedWidth(narrow);

  cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  connect(cmdOK_, &QPushButton::clicked, this, &frmStationID::cmdOK_Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label4);
  layout->addWidget(Frame1);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  // Load: the six boxes from the settings.
  txtSID_[0]->setText(FromAnsi(settings_.Nam));
  txtSID_[1]->setText(FromAnsi(settings_.Uid));
  txtSID_[2]->setText(FromAnsi(settings_.Loc));
  txtSID_[3]->setText(FromAnsi(settings_.Lid));
  txtSID_[4]->setText(FromAnsi(FormatEventNumber(settings_.Eno)));
  txtSID_[5]->setText(FromAnsi(settings_.Cty));
  setTabOrder(txtSID_[0], txtSID_[1]);
  setTabOrder(txtSID_[1], txtSID_[2]);
  setTabOrder(txtSID_[2], txtSID_[5]);
  setTabOrder(txtSID_[5], txtSID_[3]);
  setTabOrder(txtSID_[3], txtSID_[4]);
  setTabOrder(txtSID_[4], cmdOK_);
}

void frmStationID::cmdOK_Click() {
  bool anyEmpty = false;
  for (QLineEdit* box : txtSID_) {
    if (Trimmed(box).empty()) {
      marks::MarkYellow(box);
      anyEmpty = true;
    }
  }
  if (anyEmpty) return;
  const std::optional<std::int32_t> eno = ParseEventNumber(Trimmed(txtSID_[4]));
  if (!eno) {
    marks::MarkYellow(txtSID_[4]);
    txtSID_[4]->setFocus();
    prompts_.Message("Next Event No must be a whole number from 0 to 32767.", "Cadro Station ID",
                     PromptIcon::Exclamation);
    return;
  }
  settings_.Nam = Trimmed(txtSID_[0]);
  // Pasted text bypasses the key filter; the two IDs are upper case whichever way they came.
  settings_.Uid = UpperCaseAnsi(Trimmed(txtSID_[1]));
  settings_.Loc = Trimmed(txtSID_[2]);
  settings_.Lid = UpperCaseAnsi(Trimmed(txtSID_[3]));
  settings_.Eno = *eno;
  settings_.Cty = Trimmed(txtSID_[5]);
  accept();
}

void frmStationID::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    cmdOK_Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool frmStationID::eventFilter(QObject* watched, QEvent* event) {
  int box = -1;
  for (int i = 0; i < 6; ++i) {
    if (watched == txtSID_[i]) box = i;
  }
  if (box < 0) return QDialog::eventFilter(watched, event);

  if (event->type() == QEvent::FocusOut && (box == 0 || box == 5)) {
    const QString proper = FromAnsi(ProperCase(ToAnsi(txtSID_[box]->text())));
    if (proper != txtSID_[box]->text()) txtSID_[box]->setText(proper);
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;

  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape) {
    // The dialog sees Escape before its boxes do: it acts as OK.
    cmdOK_Click();
    return true;
  }
  marks::ClearMark(txtSID_[box]);
  const QString text = key->text();
  // Only typed characters are filtered; movement, Enter, Tab and shortcuts pass.
  const bool typed = text.size() == 1 && (text.at(0).unicode() >= 0x20 || text.at(0) == QLatin1Char('\b')) &&
                     text.at(0).unicode() != 0x7F && !(key->modifiers() & Qt::ControlModifier);
  if (!typed || StationBoxKindOf(box) == StationBoxKind::AnyText) return false;
  const std::string ansi = ToAnsi(text);
  // A character outside the code page cannot be in the allowed set.
  const std::optional<char> accepted = ansi.size() == 1 && !(ansi == "?" && text != QLatin1String("?"))
                                           ? StationBoxKey(box, ansi[0])
                                           : std::nullopt;
  if (!accepted) {
    prompts_.Beep();
    return true;
  }
  if (*accepted == ansi[0]) return false;
  txtSID_[box]->insert(FromAnsi(std::string(1, *accepted)));
  return true;
}

}  // namespace cadro
