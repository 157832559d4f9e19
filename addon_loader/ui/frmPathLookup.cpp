#include "frmPathLookup.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "LoaderSession.h"
#include "QtPlatform.h"

namespace cadro::addlaunch {

frmPathLookup::frmPathLookup(std::string chosenDir, QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      LV(new QTreeWidget(this)),
      cmdOK(new QPushButton(QStringLiteral("&OK"), this)),
      cmdCancel(new QPushButton(QStringLiteral("&Cancel"), this)),
      chosenDir_(std::move(chosenDir)) {
  setObjectName(QStringLiteral("frmPathLookup"));
  setWindowTitle(QStringLiteral("Select Vantrel Program Path"));
  setModal(true);

  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setText(
      QStringLiteral("Found more than one Vantrel Programs Directory.\n"
                     "Double-click on the Program Path that you want to use."));

  LV->setObjectName(QStringLiteral("LV"));
  // The header that would name the list is hidden; say it to a screen reader instead.
  LV->setAccessibleName(QStringLiteral("Directory Path"));
  LV->setColumnCount(1);
  LV->setHeaderLabels({QStringLiteral("Directory Path")});
  LV->setHeaderHidden(true);
  LV->setRootIsDecorated(false);
  LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LV->setSelectionMode(QAbstractItemView::SingleSelection);
  LV->header()->setStretchLastSection(true);

  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setDefault(true);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(LV);
  layout->addLayout(buttons);
  resize(460, 220);

  connect(cmdOK, &QPushButton::clicked, this, &frmPathLookup::cmdOK_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmPathLookup::cmdCancel_Click);
  connect(LV, &QTreeWidget::itemDoubleClicked, this, &frmPathLookup::cmdOK_Click);
}

void frmPathLookup::FillList(const std::string& candidateDirs) {
  LV->clear();
  for (const std::string& dir : PathLookupItems(candidateDirs)) {
    new QTreeWidgetItem(LV, QStringList{FromAnsi(dir)});
  }
  LV->setEnabled(LV->topLevelItemCount() > 0);
  if (LV->topLevelItemCount() > 0) LV->setCurrentItem(LV->topLevelItem(0));
}

void frmPathLookup::cmdOK_Click() {
  const QTreeWidgetItem* selected = LV->currentItem();
  chosenDir_ = selected ? ToAnsi(selected->text(0)) : std::string();
  accept();
}

void frmPathLookup::cmdCancel_Click() {
  chosenDir_.clear();
  reject();
}

}  // namespace cadro::addlaunch
