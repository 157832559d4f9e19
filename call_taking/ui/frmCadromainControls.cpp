// The controls and menus of the list window; what they do lives in frmCadromain.cpp.
#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "IncidentListModel.h"
#include "QtPlatform.h"
#include "frmCadromain.h"

namespace cadro {
namespace {

// Letters chosen so that no folder clashes with a menu title or another button of the window.
QChar FolderAccessKey(int code) {
  switch (code) {
    case folder::kAll: return QLatin1Char('A');
    case folder::kReady: return QLatin1Char('R');
    case folder::kDraft: return QLatin1Char('D');
    case folder::kDeleted: return QLatin1Char('l');
    default: return QLatin1Char('u');
  }
}

}  // namespace

void frmCadromain::BuildWindow() {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  auto* lblFolderSpace = new QLabel(QStringLiteral("View List"), central);
  lblFolderSpace->setObjectName(QStringLiteral("lblFolderSpace"));
  QFont bold = lblFolderSpace->font();
  bold.setBold(true);
  lblFolderSpace->setFont(bold);

  auto* left = new QVBoxLayout;
  left->addWidget(lblFolderSpace);
  for (const int code : folder::kCodes) {
    auto* button =
        new QPushButton(WithAccessKey(FromAnsi(FolderButtonCaption(code)), FolderAccessKey(code)), central);
    button->setObjectName(QStringLiteral("cmdFolder_%1").arg(code));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    connect(button, &QPushButton::clicked, this, [this, code] { cmdFolder_Click(code); });
    left->addWidget(button);
    cmdFolder_[code] = button;
  }
  left->addSpacing(16);

  auto* cmdNewReport = new QPushButton(QStringLiteral("&New Report"), central);
  AddShortcut(cmdNewReport, QKeySequence::New);
  cmdNewReport->setObjectName(QStringLiteral("cmdNewReport"));
  connect(cmdNewReport, &QPushButton::clicked, this, &frmCadromain::cmdNewReport_Click);
  auto* cmdDelete = new QPushButton(QStringLiteral("Dele&te"), central);
  cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
  connect(cmdDelete, &QPushButton::clicked, this, &frmCadromain::cmdDelete_Click);
  left->addWidget(cmdNewReport);
  left->addWidget(cmdDelete);
  left->addSpacing(16);

  // "A" in a bigger and a smaller face; the sign after it is the access key, as no letter is
  // left for two buttons that both read "A".
  cmdBigger_ = new QPushButton(QStringLiteral("A&+"), central);
  cmdBigger_->setObjectName(QStringLiteral("cmdBigger"));
  cmdBigger_->setToolTip(QStringLiteral("Increase font size"));
  AddShortcut(cmdBigger_, QKeySequence::ZoomIn);
  cmdBigger_->setAccessibleName(QStringLiteral("Increase font size"));
  QFont biggerFont = cmdBigger_->font();
  biggerFont.setPointSizeF(biggerFont.pointSizeF() * 1.4);
  biggerFont.setBold(true);
  cmdBigger_->setFont(biggerFont);
  cmdSmaller_ = new QPushButton(QStringLiteral("A&-"), central);
  cmdSmaller_->setObjectName(QStringLiteral("cmdSmaller"));
  cmdSmaller_->setToolTip(QStringLiteral("Decrease font size"));
  AddShortcut(cmdSmaller_, QKeySequence::ZoomOut);
  cmdSmaller_->setAccessibleName(QStringLiteral("Decrease font size"));
  QFont smallerFont = cmdSmaller_->font();
  smallerFont.setPointSizeF(smallerFont.pointSizeF() * 0.8);
  cmdSmaller_->setFont(smallerFont);
  connect(cmdBigger_, &QPushButton::clicked, this, &frmCadromain::cmdBigger_Click);
  connect(cmdSmaller_, &QPushButton::clicked, this, &frmCadromain::cmdSmaller_Click);
  // Smaller stands left of bigger, so Tab meets it first.
  setTabOrder(cmdSmaller_, cmdBigger_);
  auto* fontRow = new QHBoxLayout;
  fontRow->addWidget(cmdSmaller_);
  fontRow->addWidget(cmdBigger_);
  left->addLayout(fontRow);
  left->addStretch();

  lblCurrentFolder_ = new QLabel(central);
  lblCurrentFolder_->setObjectName(QStringLiteral("lblCurrentFolder"));
  QFont folderFont = lblCurrentFolder_->font();
  folderFont.setPointSizeF(folderFont.pointSizeF() * 1.25);
  folderFont.setBold(true);
  lblCurrentFolder_->setFont(folderFont);

  model_ = new IncidentListModel(this);
  LV_ = new QTreeView(central);
  LV_->setObjectName(QStringLiteral("LV"));
  LV_->setModel(model_);
  LV_->setRootIsDecorated(false);
  LV_->setItemsExpandable(false);
  LV_->setUniformRowHeights(true);
  LV_->setAlternatingRowColors(true);
  LV_->setSelectionBehavior(QAbstractItemView::SelectRows);
  LV_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  LV_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LV_->setSortingEnabled(false);
  LV_->header()->setSectionsClickable(true);
  LV_->header()->setSortIndicatorShown(true);
  LV_->header()->setStretchLastSection(false);
  LV_->header()->setMinimumSectionSize(0);
  LV_->installEventFilter(this);
  LV_->viewport()->installEventFilter(this);
  connect(LV_->header(), &QHeaderView::sectionClicked, this, &frmCadromain::LV_ColumnClick);
  connect(LV_, &QTreeView::doubleClicked, this, [this] { LV_DblClick(); });

  // The folder caption above the list names it for a screen reader.
  lblCurrentFolder_->setBuddy(LV_);
  auto* right = new QVBoxLayout;
  right->addWidget(lblCurrentFolder_);
  right->addWidget(LV_, 1);

  auto* layout = new QHBoxLayout(central);
  layout->addLayout(left);
  layout->addLayout(right, 1);

  auto* sbrStatus = new QStatusBar(this);
  sbrStatus->setObjectName(QStringLiteral("sbrStatus"));
  setStatusBar(sbrStatus);
  panelStatus_ = new QLabel(sbrStatus);
  panelStatus_->setObjectName(QStringLiteral("sbrStatus_Status"));
  panelStatus_->setMinimumWidth(110);
  panelConfig_ = new QLabel(sbrStatus);
  panelConfig_->setObjectName(QStringLiteral("sbrStatus_Config"));
  panelTime_ = new QLabel(sbrStatus);
  panelTime_->setObjectName(QStringLiteral("sbrStatus_CurrentTime"));
  panelSettings_ = new QLabel(sbrStatus);
  panelSettings_->setObjectName(QStringLiteral("sbrStatus_Settings"));
  panelSettings_->setStyleSheet(QStringLiteral("color: rgb(160, 60, 0);"));
  panelSettings_->setWordWrap(true);
  panelSettings_->hide();
  sbrStatus->addWidget(panelStatus_);
  sbrStatus->addWidget(panelSettings_);
  sbrStatus->addWidget(panelConfig_, 1);
  sbrStatus->addPermanentWidget(panelTime_);

  tmrClock_ = new QTimer(this);
  tmrClock_->setObjectName(QStringLiteral("tmrClock"));
  tmrClock_->setInterval(1000);
  connect(tmrClock_, &QTimer::timeout, this, &frmCadromain::ShowClock);
  tmrListing_ = new QTimer(this);
  tmrListing_->setObjectName(QStringLiteral("tmrListing"));
  tmrListing_->setSingleShot(true);
  connect(tmrListing_, &QTimer::timeout, this, &frmCadromain::TakeListing);

  BuildAidControls(right, sbrStatus);
}

void frmCadromain::BuildMenus() {
  const auto menu = [this](const char* name, const char* caption) {
    QMenu* m = menuBar()->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QString::fromLatin1(name));
    return m;
  };
  const auto item = [this](QMenu* m, const char* name, const char* caption, void (frmCadromain::*slot)()) {
    QAction* a = m->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    if (slot) {
      connect(a, &QAction::triggered, this, slot);
    } else {
      a->setEnabled(false);  // on the menu for the operator's orientation, not in use
    }
    return a;
  };

  QMenu* mnuFile = menu("mnuFile", "&File");
  item(mnuFile, "mnuExport", "&Export", nullptr);
  item(mnuFile, "mnuImport", "&Import", nullptr);
  item(mnuFile, "mnuExportLog", "Export &Log...", &frmCadromain::mnuExportLog_Click);
  mnuFile->addSeparator();
  item(mnuFile, "mnuPrintSetup", "Print Set&up...", nullptr);
  mnuFile->addSeparator();
  QAction* exit = mnuFile->addAction(QStringLiteral("E&xit"));
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  exit->setObjectName(QStringLiteral("mnuExit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QMenu* mnuEdit = menu("mnuEdit", "&Edit");
  item(mnuEdit, "mnuCut", "Cu&t", nullptr);
  item(mnuEdit, "mnuCopy", "&Copy", nullptr);
  item(mnuEdit, "mnuPaste", "&Paste", nullptr);
  item(mnuEdit, "mnuDelete", "&Delete", &frmCadromain::cmdDelete_Click);

  QMenu* mnuSetup = menu("mnuSetup", "&Setup");
  item(mnuSetup, "mnuStationID", "&Location ID", &frmCadromain::mnuStationID_Click);
  item(mnuSetup, "mnuPreferences", "&Preferences", &frmCadromain::mnuPreferences_Click);
  mnuSetup->addSeparator();
  item(mnuSetup, "mnuResetFont", "Reset &Font", &frmCadromain::mnuResetFont_Click);
  item(mnuSetup, "mnuPackColumns", "Pack &Columns", &frmCadromain::mnuPackColumns_Click);
  item(mnuSetup, "mnuResetColumns", "&Reset Columns", &frmCadromain::mnuResetColumns_Click);

  QMenu* mnuHelp = menu("mnuHelp", "&Help");
  mnuCadroQuickStart_ =
      item(mnuHelp, "mnuCadroQuickStart", "Cadro &Quick Start", &frmCadromain::mnuCadroQuickStart_Click);
  mnuHelp->addSeparator();
  item(mnuHelp, "mnuAbout", "&About", &frmCadromain::mnuAbout_Click);
}

}  // namespace cadro
