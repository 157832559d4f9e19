// Forms written for symbol faces print their signs: every code of the Symbol code page, and the
// Wingdings codes forms use for ticks, crosses, boxes, bullets and arrows, drawn onto a PDF page
// as the printer gets it, must read back (pdftotext) as the sign the code stands for. A sign no
// font has would come out as nothing, and a code read as a letter would come out as that letter.
#include <gtest/gtest.h>

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <map>

#include "AnsiText.h"
#include "CadroPrint.h"
#include "PainterTarget.h"
#include "TestKit.h"

namespace cadro {
namespace {

constexpr double kMmPerPoint = 25.4 / 72;
constexpr double kPitchMm = 12;
constexpr int kColumns = 15;

struct Placed {
  int code;
  double x, y;
};

// Draws each code alone at its own place on one A4 page; returns where.
std::vector<Placed> DrawCodes(const QString& pdf, const std::string& face, const std::vector<int>& codes) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setFullPage(true);
  QPainter painter(&printer);
  PainterTarget target(painter, printer.resolution() / 25.4);
  target.SetFont(face, 14);
  std::vector<Placed> placed;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const double x = 10 + kPitchMm * static_cast<double>(i % kColumns);
    const double y = 10 + kPitchMm * static_cast<double>(i / kColumns);
    target.PrintText(x, y, std::string(1, static_cast<char>(codes[i])));
    placed.push_back({codes[i], x, y});
  }
  painter.end();
  return placed;
}

// The text pdftotext finds nearest to each place (within half the pitch), "" when none.
std::map<int, QString> ReadBack(const QString& pdf, const std::vector<Placed>& placed) {
  QProcess p;
  p.start("pdftotext", {"-bbox", pdf, "-"});
  p.waitForFinished(30000);
  static const QRegularExpression word(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re");
  struct Word {
    double x, y;
    QString text;
  };
  std::vector<Word> words;
  for (auto it = word.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
    const auto m = it.next();
    QString text = m.captured(3);
    text.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&apos;", "'")
        .replace("&amp;", "&");
    words.push_back({m.captured(1).toDouble() * kMmPerPoint, m.captured(2).toDouble() * kMmPerPoint, text});
  }
  std::map<int, QString> found;
  for (const Placed& at : placed) {
    for (const Word& w : words) {
      if (std::abs(w.x - at.x) < kPitchMm / 2 && std::abs(w.y - at.y) < kPitchMm / 2) found[at.code] = w.text;
    }
  }
  return found;
}

QString Sign(const std::string& face, int code) {
  return QString::fromStdString(DisplayTextUtf8(face, std::string(1, static_cast<char>(code))));
}

struct SymbolFacesPdf : ::testing::Test {
  void SetUp() override {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
      if (qEnvironmentVariable("CI") == "true") FAIL() << "pdftotext is required under CI";
      GTEST_SKIP() << "pdftotext is not installed";
    }
  }
  testing::TempDir dir;
};

// Signs taken from the published tables (not from the code under test).
TEST_F(SymbolFacesPdf, KnownCodesPrintTheirSigns) {
  struct Known {
    std::string face;
    int code;
    const char* sign;
  };
  const std::vector<Known> known = {
      {"Symbol", 183, "\u2022"},      {"Symbol", 214, "\u221A"},      {"Symbol", 'a', "\u03B1"},
      {"Symbol", 'W', "\u03A9"},      {"Symbol", 'p', "\u03C0"},      {"Symbol", 0xB0, "\u00B0"},
      {"Symbol", 0xAE, "\u2192"},     {"Symbol", 0xE5, "\u2211"},     {"Symbol", 0xF2, "\u222B"},
      {"Symbol", 0xA3, "\u2264"},     {"Symbol", 0xB4, "\u00D7"},     {"SYMBOL", 0xC6, "\u2205"},
      {"Wingdings", 0xFC, "\u2714"},  {"Wingdings", 0xFB, "\u2717"},  {"Wingdings", 0xFE, "\u2611"},
      {"Wingdings", 0xFD, "\u2612"},  {"Wingdings", 'o', "\u25A1"},   {"Wingdings", 'n', "\u25A0"},
      {"Wingdings", 'l', "\u25CF"},   {"Wingdings", 0xE0, "\u2192"},  {"Wingdings", 0xDF, "\u2190"},
      {"Wingdings 2", 81, "\u2612"},  {"Wingdings 2", 83, "\u2297"},  {"Wingdings 2", 'P', "\u2714"},
      {"Wingdings 2", 'R', "\u2611"}, {"Wingdings 2", 'O', "\u2718"}, {"wingdings 2", 0xA3, "\u25A1"},
  };
  for (std::size_t i = 0; i < known.size(); ++i) {
    const Known& k = known[i];
    SCOPED_TRACE(k.face + " " + std::to_string(k.code));
    const QString pdf = QString::fromStdString(dir.File("known" + std::to_string(i) + ".pdf"));
    const std::vector<Placed> placed = DrawCodes(pdf, k.face, {k.code});
    EXPECT_EQ(ReadBack(pdf, placed)[k.code], QString::fromUtf8(k.sign));
  }
}

// The arrows of the Symbol page, all on one page as a form would place them: each must read back
// as the arrow the published table gives its code (an arrow one code off, or pointing the other
// way, is a wrong direction on a printed form).
TEST_F(SymbolFacesPdf, EveryArrowOfTheSymbolPagePointsItsPublishedWay) {
  const std::map<int, const char*> arrows = {
      {0xAB, "\u2194"}, {0xAC, "\u2190"}, {0xAD, "\u2191"}, {0xAE, "\u2192"},
      {0xAF, "\u2193"}, {0xBF, "\u21B5"}, {0xDB, "\u21D4"}, {0xDC, "\u21D0"},
      {0xDD, "\u21D1"}, {0xDE, "\u21D2"}, {0xDF, "\u21D3"},
  };
  std::vector<int> codes;
  for (const auto& [code, sign] : arrows) codes.push_back(code);
  const QString pdf = QString::fromStdString(dir.File("arrows.pdf"));
  const std::vector<Placed> placed = DrawCodes(pdf, "Symbol", codes);
  std::map<int, QString> found = ReadBack(pdf, placed);
  for (const auto& [code, sign] : arrows) EXPECT_EQ(found[code], QString::fromUtf8(sign)) << "code " << code;
}

// Every code of the Symbol page and every dingbat code that has a sign reaches the page as it.
TEST_F(SymbolFacesPdf, EveryMappedCodeReachesThePage) {
  for (const std::string face : {"Symbol", "Wingdings", "Wingdings 2"}) {
    SCOPED_TRACE(face);
    std::vector<int> codes;
    for (int code = 0x21; code <= 0xFE; ++code) {
      const std::string one(1, static_cast<char>(code));
      const bool mapped = DisplayTextUtf8(face, one) != AnsiToUtf8(one);
      // Symbol: the whole page but the codes it leaves undefined (0x7F-0x9F, 0xF0).
      const bool symbolPage =
          face == "Symbol" && code != 0x7F && (code < 0x80 || code > 0x9F) && code != 0xF0;
      if (mapped || symbolPage) codes.push_back(code);
    }
    if (face == "Symbol") {
      EXPECT_EQ(codes.size(), 188U);
    }
    const QString pdf = QString::fromStdString(dir.File("page.pdf"));
    const std::vector<Placed> placed = DrawCodes(pdf, face, codes);
    std::map<int, QString> found = ReadBack(pdf, placed);
    for (const int code : codes) EXPECT_EQ(found[code], Sign(face, code)) << "code " << code;
  }
}

}  // namespace
}  // namespace cadro
