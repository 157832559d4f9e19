#include "frmRptPreview.h"

#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "CadroPrint.h"
#include "PainterTarget.h"
#include "QtPlatform.h"

namespace cadro {
namespace {
constexpr int kMarginPx = 20;          // 300 twips at 96 dpi
constexpr double kPictureMm = 320;     // beyond A4 and Letter in either orientation
constexpr int kFrameAllowancePx = 60;  // the title bar and borders the window manager adds
}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Picture1"));
  // At the screen's own pixel density, so that a scaled (high-density) screen shows the page
  // sharp instead of an enlarged low-resolution picture.
  const qreal ratio = devicePixelRatioF();
  const int side = static_cast<int>(kPictureMm * DotsPerMm() * ratio);
  picture_ = QPixmap(side, side);
  picture_.setDevicePixelRatio(ratio);
  picture_.fill(Qt::white);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

double PictureBox::DotsPerMm() const {
  return logicalDpiX() / 25.4;
}

void PictureBox::RenderReport(const FormDefinition& form, const DataDefinition& data) {
  QPainter painter(&picture_);
  PainterTarget target(painter, DotsPerMm());
  cadro::RenderReport(target, form, data);
  painter.end();
  ++renderings_;
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.drawPixmap(0, 0, picture_);
}

frmRptPreview::frmRptPreview() {
  setObjectName(QStringLiteral("frmRptPreview"));
  setWindowTitle(QStringLiteral("Preview"));
  setAttribute(Qt::WA_DeleteOnClose);
  picture1_ = new PictureBox(this);
  cmdClose_ = new QPushButton(QStringLiteral("&Close"), this);
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  connect(cmdClose_, &QPushButton::clicked, this, &frmRptPreview::cmdClose_Click);
  AddShortcut(cmdClose_, QKeySequence(Qt::Key_Escape));
  // A page-sized window, but never taller or wider than the screen it opens on.
  QSize size(820, 900);
  if (const QScreen* s = screen()) {
    const QSize room = s->availableGeometry().size() - QSize(kFrameAllowancePx, kFrameAllowancePx);
    size = size.boundedTo(room);
  }
  resize(size);
}

void frmRptPreview::resizeEvent(QResizeEvent*) {
  const QSize button = cmdClose_->sizeHint();
  cmdClose_->setGeometry(kMarginPx, kMarginPx / 2, button.width(), button.height());
  const int top = kMarginPx / 2 + button.height() + kMarginPx / 2;
  picture1_->setGeometry(kMarginPx, top, std::max(0, width() - 2 * kMarginPx),
                         std::max(0, height() - top - kMarginPx));
}

void frmRptPreview::cmdClose_Click() {
  close();
}

}  // namespace cadro
