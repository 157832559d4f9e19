// Turns the operator's guide (Markdown with pictures) into a PDF at build time, with nothing but
// Qt: QTextDocument lays the text out, QPdfWriter pages it.
//
//   cadro_doc_pdf <guide.md> <out.pdf> "<title>"
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QUrl>
#include <cstdio>

namespace {

// Pictures wider than the text column are scaled down to fit it, keeping their proportions.
void FitImages(QTextDocument& doc, qreal columnWidth) {
  for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      QTextImageFormat image = fragment.charFormat().toImageFormat();
      if (!image.isValid()) continue;
      const QVariant resource = doc.resource(QTextDocument::ImageResource, QUrl(image.name()));
      const QImage picture = resource.value<QImage>();
      if (picture.isNull() || picture.width() <= columnWidth) continue;
      image.setWidth(columnWidth);
      image.setHeight(columnWidth * picture.height() / picture.width());
      QTextCursor cursor(&doc);
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(image);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <guide.md> <out.pdf> <title>\n", argv[0]);
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }

  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setTitle(QString::fromLocal8Bit(argv[3]));
  writer.setCreator(QStringLiteral("Cadro station suite"));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter);
  writer.setResolution(300);

  QTextDocument doc;
  doc.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + QLatin1Char('/')));
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPointSizeF(10.5);
  doc.setDefaultFont(font);
  doc.setDefaultStyleSheet(QStringLiteral(
      "h1 { color: #7a1010; } h2 { color: #7a1010; } code { font-family: 'Liberation Mono'; }"));
  doc.setMarkdown(QString::fromUtf8(source.readAll()));
  // The document is laid out in points of the page's paintable width.
  const QSizeF page = writer.pageLayout().paintRect(QPageLayout::Point).size();
  doc.setPageSize(page);
  FitImages(doc, page.width() * 0.9);
  doc.print(&writer);
  return 0;
}
