// The controls of the entry form: captions, tool tips, frames, the tab pages and the status bar.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "frmCadrocts.h"

namespace cadro::form {
namespace {

// An event-type button changes colour with every call taken. The style caches a button's image
// per palette, and each colour change gives the button a new palette, so the cache would fill
// with images of the same few colours, call after call. Drawn with one shared palette per colour
// set, the button reuses its images.
class TypeButton final : public QPushButton {
public:
  using QPushButton::QPushButton;

protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.palette = SharedPalette(option.palette);
    painter.drawControl(QStyle::CE_PushButton, option);
  }

private:
  static const QPalette& SharedPalette(const QPalette& colours) {
    static std::vector<QPalette> shared;
    for (const QPalette& p : shared)
      if (p == colours) return p;
    shared.push_back(colours);
    return shared.back();
  }
};

QLabel* MakeLabel(const QString& name, const QString& caption, QWidget* buddy, const QString& tip = {}) {
  auto* label = new QLabel(caption);
  label->setObjectName(name);
  if (!tip.isEmpty()) label->setToolTip(tip);
  if (buddy) label->setBuddy(buddy);
  return label;
}

QLineEdit* MakeLine(const QString& tip) {
  auto* box = new QLineEdit;
  box->setToolTip(tip);
  return box;
}

QPlainTextEdit* MakeMultiLine(const QString& tip) {
  auto* box = new QPlainTextEdit;
  box->setToolTip(tip);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setTabChangesFocus(true);
  // The box's tint would pass to its scroll bars as a new palette each time, and the style
  // caches scroll bar images per palette: the scroll bars keep the application's colours.
  for (QScrollBar* bar : {box->verticalScrollBar(), box->horizontalScrollBar()}) {
    QPalette own = bar->palette();
    own.setResolveMask(~QPalette::ResolveMask(0));
    bar->setPalette(own);
  }
  return box;
}

QRadioButton* MakeOption(const QString& name, const QString& caption) {
  auto* option = new QRadioButton(caption);
  option->setObjectName(name);
  return option;
}

}  // namespace

void frmCadrocts::RegisterBox(BoxId box, QWidget* widget) {
  widget->setObjectName(QString::fromStdString(BoxObjectName(box)));
  boxes_[box] = widget;
  boxOfWidget_[widget] = box;
  widget->installEventFilter(this);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    connect(line, &QLineEdit::textChanged, this, [this, box] { OnBoxChanged(box); });
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(edit, &QPlainTextEdit::textChanged, this, [this, box] { OnBoxChanged(box); });
  }
}

QWidget* frmCadrocts::BuildSummaryFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Incident Summary"));
  frame->setObjectName(QStringLiteral("fraSummary"));
  auto* grid = new QGridLayout(frame);

  static const char* const kCaptions[] = {"&MED", "&FIRE", "LA&W", "L&GOV"};
  static const char* const kTips[] = {
      "Medical emergency; requires Paramedics, Hospital transport", "Requires Fire Department assistance",
      "Requires Police or Sheriff assistance", "Requres City DPW, EOC, or City Staff assistance"};
  auto* types = new QHBoxLayout;
  for (int i = 0; i < kTypeCount; ++i) {
    auto* button = new TypeButton(QString::fromLatin1(kCaptions[i]));
    button->setObjectName(QStringLiteral("cmdRtype_%1").arg(i));
    button->setToolTip(QString::fromLatin1(kTips[i]));
    button->setAutoFillBackground(true);
    button->setMinimumHeight(32);
    connect(button, &QPushButton::clicked, this, [this, i] { ToggleEventType(i); });
    cmdRtype_[static_cast<std::size_t>(i)] = button;
    types->addWidget(button);
  }
  grid->addLayout(types, 0, 0, 1, 3);

  auto* issue = MakeLine(QStringLiteral("Enter a short 2 to 4 word description"));
  auto* address = MakeLine(QStringLiteral("Location of the problem"));
  auto* other = MakeLine(QStringLiteral("Cross street, east/west bound, etc."));
  auto* city = MakeLine(QStringLiteral("In what city is the problem"));
  RegisterBox({BoxGroup::Header, 0}, issue);
  RegisterBox({BoxGroup::Header, 1}, address);
  RegisterBox({BoxGroup::Header, 2}, other);
  RegisterBox({BoxGroup::Header, 8}, city);

  // The two recall buttons share a caption; each gets its own letter and its own spoken name.
  cmdLast_[0] = new QPushButton(QStringLiteral("&L/U"));
  cmdLast_[0]->setAccessibleName(QStringLiteral("Last used location"));
  cmdLast_[0]->setObjectName(QStringLiteral("cmdLast_0"));
  cmdLast_[0]->setToolTip(QStringLiteral("Load 'Last Used' address for this request"));
  connect(cmdLast_[0], &QPushButton::clicked, this, [this] { RecallLastUsed(0); });

  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_0"), QStringLiteral("What are you reporting?*"), issue),
                  1, 0);
  grid->addWidget(issue, 1, 1, 1, 2);
  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_1"), QStringLiteral("Location, Address:*"), address,
                            QStringLiteral("Includes: Floor #, Apt #, Suite #")),
                  2, 0);
  grid->addWidget(address, 2, 1);
  grid->addWidget(cmdLast_[0], 2, 2);
  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_2"), QStringLiteral("Other Location Details"), other,
                            QStringLiteral("Cross-Street, Floor #, Apt #, Suite #")),
                  3, 0);
  grid->addWidget(other, 3, 1, 1, 2);
  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_8"), QStringLiteral("City:*"), city), 4, 0);
  grid->addWidget(city, 4, 1, 1, 2);
  return frame;
}

QWidget* frmCadrocts::BuildReporterFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Reporting Person Details"));
  frame->setObjectName(QStringLiteral("fraReporter"));
  auto* grid = new QGridLayout(frame);

  auto* name = MakeLine(QStringLiteral("Reporting person's name"));
  auto* address = MakeLine(QStringLiteral("Reporting person's address"));
  auto* phone = MakeLine(QStringLiteral("Reporting person's phone number"));
  RegisterBox({BoxGroup::Header, 3}, name);
  RegisterBox({BoxGroup::Header, 4}, address);
  RegisterBox({BoxGroup::Header, 5}, phone);

  cmdLast_[1] = new QPushButton(QStringLiteral("L/&U"));
  cmdLast_[1]->setAccessibleName(QStringLiteral("Last used reporting person"));
  cmdLast_[1]->setObjectName(QStringLiteral("cmdLast_1"));
  cmdLast_[1]->setToolTip(QStringLiteral("Load 'Last Used' Reporting Person for this request"));
  connect(cmdLast_[1], &QPushButton::clicked, this, [this] { RecallLastUsed(1); });

  label18_ = MakeLabel(QStringLiteral("Label18"), QStringLiteral("Phone:"), phone,
                       QStringLiteral("Reporting Person's Phone Number"));
  chkReqContact_ = new QCheckBox(QStringLiteral("Request Sheriff to contact me"));
  chkReqContact_->setObjectName(QStringLiteral("chkReqContact"));
  chkReqContact_->setToolTip(QStringLiteral("If checked, make sure Phone number is filled in"));
  connect(chkReqContact_, &QCheckBox::toggled, this, &frmCadrocts::OnContactToggled);

  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_3"), QStringLiteral("Name:*"), name,
                            QStringLiteral("Reporting Person's Name")),
                  0, 0);
  grid->addWidget(name, 0, 1);
  grid->addWidget(cmdLast_[1], 0, 2);
  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_4"), QStringLiteral("Address:"), address,
                            QStringLiteral("Reporting Person's Address")),
                  1, 0);
  grid->addWidget(address, 1, 1, 1, 2);
  grid->addWidget(label18_, 2, 0);
  grid->addWidget(phone, 2, 1, 1, 2);
  grid->addWidget(chkReqContact_, 3, 1, 1, 2);
  return frame;
}

QWidget* frmCadrocts::BuildDetailsFrame() {
  auto* frame = new QGroupBox;
  frame->setObjectName(QStringLiteral("fraDetails"));
  auto* grid = new QGridLayout(frame);
  auto* seen = MakeLine(QStringLiteral("HH:MM or -<min> when the problem was last observed"));
  auto* details = MakeMultiLine(QStringLiteral("All other supporting details"));
  RegisterBox({BoxGroup::Header, 6}, seen);
  RegisterBox({BoxGroup::Header, 7}, details);
  grid->addWidget(MakeLabel(QStringLiteral("lblHeader_6"), QStringLiteral("Last seen:*"), seen), 0, 0);
  grid->addWidget(seen, 0, 1);
  auto* detailsLabel = MakeLabel(QStringLiteral("lblHeader_7"), QStringLiteral("Details:*"), details);
  detailsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  grid->addWidget(detailsLabel, 1, 0);
  grid->addWidget(details, 1, 1);
  return frame;
}

QWidget* frmCadrocts::BuildTabs() {
  sstab1_ = new QTabWidget;
  sstab1_->setObjectName(QStringLiteral("SSTab1"));
  static const char* const kFrames[] = {"Medical", "Fire", "Law", "Utilities"};
  for (int i = 0; i < kTypeCount; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SSTab1_page_%1").arg(i));
    auto* pageLayout = new QVBoxLayout(page);
    auto* frame = new QGroupBox(QString::fromLatin1(kFrames[i]));
    frame->setObjectName(QStringLiteral("nframe_%1").arg(i));
    nframe_[static_cast<std::size_t>(i)] = frame;
    pageLayout->addWidget(frame);
    sstab1_->addTab(page, QString::fromStdString(PageCaption(i, false)));
  }

  // Medical.
  {
    auto* grid = new QGridLayout(nframe_[kTypeMed]);
    auto* age = MakeLine(QStringLiteral("Age of the person with the problem"));
    auto* gender = MakeLine(QStringLiteral("Gender (male / female) of the person with the problem"));
    RegisterBox({BoxGroup::Med, 0}, age);
    RegisterBox({BoxGroup::Med, 1}, gender);
    grid->addWidget(MakeLabel(QStringLiteral("lblMed_0"), QStringLiteral("Age:*"), age), 0, 0);
    grid->addWidget(age, 0, 1, 1, 2);
    grid->addWidget(MakeLabel(QStringLiteral("lblMed_1"), QStringLiteral("Gender:*"), gender), 1, 0);
    grid->addWidget(gender, 1, 1, 1, 2);

    label6_ = MakeLabel(QStringLiteral("Label6"), QStringLiteral("Conscious?"), nullptr);
    label23_ = MakeLabel(QStringLiteral("Label23"), QStringLiteral("Breathing?"), nullptr);
    auto* consGroup = new QButtonGroup(this);
    auto* breaGroup = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
      const QString caption = i == 0 ? QStringLiteral("No") : QStringLiteral("Yes");
      optCons_[static_cast<std::size_t>(i)] = MakeOption(QStringLiteral("optCons_%1").arg(i), caption);
      optBrea_[static_cast<std::size_t>(i)] = MakeOption(QStringLiteral("optBrea_%1").arg(i), caption);
      // "Yes" alone does not say to which question.
      optCons_[static_cast<std::size_t>(i)]->setAccessibleName(QStringLiteral("Conscious? ") + caption);
      optBrea_[static_cast<std::size_t>(i)]->setAccessibleName(QStringLiteral("Breathing? ") + caption);
      consGroup->addButton(optCons_[static_cast<std::size_t>(i)], i);
      breaGroup->addButton(optBrea_[static_cast<std::size_t>(i)], i);
      grid->addWidget(optCons_[static_cast<std::size_t>(i)], 2, 1 + i);
      grid->addWidget(optBrea_[static_cast<std::size_t>(i)], 3, 1 + i);
    }
    connect(consGroup, &QButtonGroup::idClicked, this, [this](int id) { OnAnswer(0, id); });
    connect(breaGroup, &QButtonGroup::idClicked, this, [this](int id) { OnAnswer(1, id); });
    grid->addWidget(label6_, 2, 0);
    grid->addWidget(label23_, 3, 0);
    grid->setRowStretch(4, 1);
  }
  // Fire.
  {
    auto* grid = new QGridLayout(nframe_[kTypeFire]);
    auto* inside = MakeLine(QStringLiteral("Yes, No, unknown"));
    RegisterBox({BoxGroup::Fire, 0}, inside);
    grid->addWidget(
        MakeLabel(QStringLiteral("lblFire_0"), QStringLiteral("If a Fire: people inside?*"), inside), 0, 0);
    grid->addWidget(inside, 0, 1);
    grid->setRowStretch(1, 1);
  }
  // Law.
  {
    auto* grid = new QGridLayout(nframe_[kTypeLaw]);
    static const char* const kLabels[] = {"Description of person (age, height, weight):",
                                          "Weapon involved?",
                                          "Direction of Travel:",
                                          "Vehicle Description:",
                                          "License Plate:",
                                          "State"};
    static const char* const kTips[] = {"Include clothes, other distinguishing marks",
                                        "Yes / No / Unknown; shots fired, other details",
                                        "if known",
                                        "Make, Model if known",
                                        "Partials OK, use '*' if missing characters",
                                        "CA, AZ, etc."};
    for (int i = 0; i < 6; ++i) {
      QWidget* box = i == 0 ? static_cast<QWidget*>(MakeMultiLine(QString::fromLatin1(kTips[i])))
                            : MakeLine(QString::fromLatin1(kTips[i]));
      RegisterBox({BoxGroup::Law, i}, box);
      auto* label = MakeLabel(QStringLiteral("lblLaw_%1").arg(i), QString::fromLatin1(kLabels[i]), box);
      if (i == 0) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setMaximumHeight(64);
      }
      grid->addWidget(label, i, 0);
      grid->addWidget(box, i, 1);
    }
  }
  // Local government has no fields of its own.
  new QVBoxLayout(nframe_[kTypeLgov]);

  connect(sstab1_, &QTabWidget::currentChanged, this, &frmCadrocts::OnPageChanged);
  return sstab1_;
}

QWidget* frmCadrocts::BuildButtonRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto make = [](const QString& name, const QString& caption, const QString& tip) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    if (!tip.isEmpty()) button->setToolTip(tip);
    button->setMinimumWidth(90);
    return button;
  };
  cmdSubmit_ = make(QStringLiteral("cmdSubmit"), QStringLiteral("Su&bmit"),
                    QStringLiteral("Submit this report to Vantrel for Sending"));
  cmdSave_ = make(QStringLiteral("cmdSave"), QStringLiteral("&Save"),
                  QStringLiteral("Save, but do not Submit this report"));
  cmdDelete_ = make(QStringLiteral("cmdDelete"), QStringLiteral("&Delete"),
                    QStringLiteral("Cancel and close this report"));
  cmdClose_ = make(QStringLiteral("cmdClose"), QStringLiteral("&Close"), {});
  // A button has one shortcut of its own, its access key; the keyboard habits Ctrl+Return and
  // Ctrl+S are the window's, and act only when the button could be pressed.
  auto press = [](QPushButton* button) {
    return [button] {
      if (button->isVisible() && button->isEnabled()) button->click();
    };
  };
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this), &QShortcut::activated, this,
          press(cmdSubmit_));
  connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this, press(cmdSave_));
  connect(cmdSubmit_, &QPushButton::clicked, this, &frmCadrocts::cmdSubmit_Click);
  connect(cmdSave_, &QPushButton::clicked, this, &frmCadrocts::cmdSave_Click);
  connect(cmdDelete_, &QPushButton::clicked, this, &frmCadrocts::cmdDelete_Click);
  connect(cmdClose_, &QPushButton::clicked, this, &frmCadrocts::cmdClose_Click);
  // Ends the wait for Vtdirect at once; the report stays Ready.
  cmdCancel_ = make(QStringLiteral("cmdCancel"), QStringLiteral("Ca&ncel"),
                    QStringLiteral("Stop waiting for Vtdirect; the report stays Ready, not Submitted"));
  cmdCancel_->hide();
  connect(cmdCancel_, &QPushButton::clicked, this, &frmCadrocts::cmdCancel_Click);

  auto* eventCaption = new QLabel(QStringLiteral("Event ID:"));
  eventCaption->setObjectName(QStringLiteral("lblEventID"));
  label20_ = new QLabel;
  label20_->setObjectName(QStringLiteral("Label20"));
  label20_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label22_ = new QLabel;
  label22_->setObjectName(QStringLiteral("Label22"));
  QFont bold = label22_->font();
  bold.setBold(true);
  label22_->setFont(bold);
  label20_->setFont(bold);

  // Neither label may be squeezed below its text (a fixed least width would cut a long ID in a
  // large font), and the ID and the state keep a clear gap between them.
  for (QLabel* label : {label20_, label22_})
    label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
  layout->addWidget(eventCaption);
  layout->addWidget(label20_);
  layout->addSpacing(24);
  layout->addWidget(label22_);
  layout->addStretch(1);
  layout->addWidget(cmdSubmit_);
  layout->addWidget(cmdSave_);
  layout->addWidget(cmdDelete_);
  layout->addWidget(cmdClose_);
  layout->addWidget(cmdCancel_);
  return row;
}

void frmCadrocts::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  inputFrames_[0] = BuildSummaryFrame();
  inputFrames_[1] = BuildReporterFrame();
  inputFrames_[2] = BuildDetailsFrame();
  left->addWidget(inputFrames_[0]);
  left->addWidget(inputFrames_[1]);
  left->addStretch(1);
  right->addWidget(inputFrames_[2], 1);
  right->addWidget(BuildTabs(), 1);
  columns->addLayout(left, 1);
  columns->addLayout(right, 1);
  outer->addLayout(columns, 1);
  outer->addWidget(BuildButtonRow());

  sbrStatus_ = new QStatusBar;
  sbrStatus_->setObjectName(QStringLiteral("sbrStatus"));
  sbrStatus_->setSizeGripEnabled(false);
  statusPanel_ = new QLabel;
  statusPanel_->setObjectName(QStringLiteral("sbrStatus_Status"));
  clockPanel_ = new QLabel;
  clockPanel_->setObjectName(QStringLiteral("sbrStatus_CurrentTime"));
  clockPanel_->setMinimumWidth(70);
  sbrStatus_->addWidget(statusPanel_, 1);
  sbrStatus_->addPermanentWidget(clockPanel_);
  outer->addWidget(sbrStatus_);
  outer->setContentsMargins(8, 8, 8, 0);
  resize(980, 600);
}

}  // namespace cadro::form
