#pragma once
// The preview window: the report drawn at screen resolution in millimetres into a picture that
// keeps its drawing. The picture is a pixmap larger than any page, so covering the window or
// resizing it never loses what was drawn; a smaller window simply shows less of it.

#include <QPixmap>
#include <QWidget>

#include "DefinitionFiles.h"

class QPushButton;

namespace cadro {

class PictureBox final : public QWidget {
  Q_OBJECT
public:
  explicit PictureBox(QWidget* parent);
  // Draws the report over what the picture already holds (pressing Preview again draws again).
  void RenderReport(const FormDefinition& form, const DataDefinition& data);
  const QPixmap& Picture() const { return picture_; }
  double DotsPerMm() const;
  int Renderings() const { return renderings_; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QPixmap picture_;
  int renderings_ = 0;
};

class frmRptPreview final : public QWidget {
  Q_OBJECT
public:
  frmRptPreview();
  PictureBox* Picture1() const { return picture1_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void cmdClose_Click();
  PictureBox* picture1_;
  QPushButton* cmdClose_;
};

}  // namespace cadro
