#include "frmAbout.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ProgramIdentity.h"

namespace cadro {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(kProgramTitle));
  setModal(true);

  auto* lblTitle = new QLabel(QString::fromLatin1(kProgramTitle), this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont big = lblTitle->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  lblTitle->setFont(big);
  auto* lblVersion = new QLabel(QStringLiteral("Version ") + QString::fromStdString(ProgramVersion()), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  auto* lblDescription =
      new QLabel(QStringLiteral("Takes emergency calls as incident reports, keeps them by state, and submits "
                                "them to the packet message manager's direct-entry server."),
                 this);
  lblDescription->setObjectName(QStringLiteral("lblDescription"));
  lblDescription->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
  // Not every platform theme underlines a letter of the standard button.
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblTitle);
  layout->addWidget(lblVersion);
  layout->addSpacing(8);
  layout->addWidget(lblDescription);
  layout->addWidget(buttons);
  setFixedWidth(380);
}

}  // namespace cadro
