// Draws the pictures of the list window's aids for the README: run under a real X server (Xvfb)
// with the output folder as the argument. The reports live in a throwaway program folder and the
// settings in memory, so the user's own settings are never touched.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "EntryFormPort.h"
#include "FileIO.h"
#include "QtPlatform.h"
#include "TestKit.h"
#include "frmCadroPref.h"
#include "frmCadromain.h"
#include "frmExportLog.h"
#include "frmStationID.h"

namespace {

struct NoForm final : cadro::EntryFormPort {
  void StartForm(const std::string&) override {}
};

void Report(const std::string& folder, const std::string& id, int ast, const std::string& typ,
            const std::string& iss, const std::string& ad1, const std::string& cty, const std::string& atm) {
  cadro::WriteFileAtomic(cadro::JoinPath(folder, id + ".911"),
                         "[911 DEFINITION]\r\nTYP=" + typ + "\r\nEID=" + id + "\r\nMID=" + id.substr(8) +
                             "\r\nISS=" + iss + "\r\nAD1=" + ad1 + "\r\nCTY=" + cty +
                             "\r\nDTL=Caller on scene\r\n[ADMIN DEFINITION]\r\nUID=K6ABC\r\nAST=" +
                             std::to_string(ast) + "\r\nADT=261208\r\nATM=" + atm + "\r\n[END]\r\n");
}

// The list is read in the background: a picture shows it once the reading is done.
void WaitForList(const cadro::frmCadromain& w) {
  for (int i = 0; i < 2000 && w.Listing(); ++i) QTest::qWait(5);
  if (w.Listing()) std::fprintf(stderr, "the list was still being read\n");
}

void Save(QWidget* w, const QString& path) {
  QApplication::processEvents();
  if (!w->grab().save(path)) std::fprintf(stderr, "could not save %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: cadro_aids_shots <output folder>\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  cadro::testing::TempDir dir;
  cadro::testing::TestServices t;
  t.clock.now = cadro::LocalTime{2026, 12, 8, 12, 44, 10};
  const std::string msg = dir.File("msg.d");
  std::filesystem::create_directories(msg);
  std::filesystem::create_directories(dir.File("logs"));
  Report(msg, "FS326342.101", 9, "FIRE", "Kitchen Fire", "100 Main St", "Springfield", "1231");
  Report(msg, "FS326342.102", 2, "MED", "Fall, Hip Pain", "12 Oak Ave", "Springfield", "1218");
  Report(msg, "FS326342.103", 2, "LAW", "Burglary", "7 Mill Rd", "Shelbyville", "1226");
  Report(msg, "FS326342.104", 2, "MED+FIRE", "Smoke, Person Inside", "40 River Ln", "Ogdenville", "1240");
  Report(msg, "FS326342.105", 6, "LGOV", "Water Main Break", "N Elm Rd", "Springfield", "1205");
  Report(msg, "FS326342.106", 2, "LAW", "Traffic Light Out", "Main St & 2nd Ave", "Springfield", "1242");

  cadro::CadroIni ini(dir.File("Cadrocts.ini"), t.services);
  cadro::SessionLog log(dir.str(), t.services);
  cadro::frmCadromain w(t.services, ini, log, dir.str());
  NoForm form;
  w.SetEntryForm(&form);
  std::function<void(QDialog&)> onDialog;
  w.SetModalRunner([&](QDialog& d) {
    if (auto* station = qobject_cast<cadro::frmStationID*>(&d)) {
      const char* values[] = {"Ann Lee", "K6ABC", "Station 3", "FS3", nullptr, "Springfield"};
      for (int i = 0; i < 6; ++i)
        if (values[i]) station->Box(i)->setText(QString::fromLatin1(values[i]));
      station->cmdOK_Click();
      return d.result();
    }
    d.show();
    (void)QTest::qWaitForWindowExposed(&d);
    if (onDialog) onDialog(d);
    d.hide();
    return d.result();
  });
  w.Startup();
  w.resize(1100, 460);
  WaitForList(w);
  w.mnuPackColumns_Click();
  if (!QTest::qWaitForWindowExposed(&w)) std::fprintf(stderr, "window not shown\n");

  // 1. Reports waiting too long.
  Save(&w, out + "/cadrocts-aids-stuck.png");

  // 2. Preferences, the tab of the limits.
  onDialog = [&](QDialog& d) {
    auto* pref = qobject_cast<cadro::frmCadroPref*>(&d);
    pref->Tabs()->setCurrentIndex(2);
    Save(&d, out + "/cadrocts-aids-prefs.png");
    d.reject();
  };
  w.mnuPreferences_Click();

  // 3. A new call at a known address: the hint above the list.
  Report(msg, "FS326342.107", 6, "FIRE", "Smoke From Roof", "100 main street", "Springfield", "1244");
  w.BuildNewMsgList();
  WaitForList(w);
  Save(&w, out + "/cadrocts-aids-duplicate.png");
  w.cmdHintIgnore_Click();

  // 4. Search as typed, across all folders' fields.
  w.cmdFolder_Click(0);
  WaitForList(w);
  w.mnuPackColumns_Click();
  auto* search = w.findChild<QLineEdit*>("txtSearch");
  QTest::keyClicks(search, "main");
  Save(&w, out + "/cadrocts-aids-search.png");
  search->clear();

  // 5. File > Export Log...: the dialog and the first page of the PDF.
  onDialog = [&](QDialog& d) {
    d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(dir.File("CommsLog-20261208")));
    Save(&d, out + "/cadrocts-aids-export.png");
    d.findChild<QPushButton*>("cmdOK")->click();  // the dialog writes the files itself
  };
  w.mnuExportLog_Click();
  const std::string pdf = dir.File("CommsLog-20261208.pdf");
  const std::string cmd = "pdftoppm -png -r 60 -f 1 -l 1 -singlefile '" + pdf + "' '" +
                          (out + "/cadrocts-aids-log-pdf").toStdString() + "'";
  const int rc = std::system(cmd.c_str());
  w.close();
  return rc == 0 ? 0 : 1;
}
