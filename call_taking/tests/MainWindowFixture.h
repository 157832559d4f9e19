#pragma once
// A list window on a throwaway program folder, with recorders for its boxes and dialogs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

#include "EntryFormPort.h"
#include "FileIO.h"
#include "IncidentListModel.h"
#include "QtPlatform.h"
#include "StationRules.h"
#include "TestKit.h"
#include "WaitFor.h"
#include "frmAbout.h"
#include "frmCadroPref.h"
#include "frmCadromain.h"
#include "frmStationID.h"

namespace cadro::testing {

struct RecordingEntryForm final : EntryFormPort {
  void StartForm(const std::string& eventRecord) override { started.push_back(eventRecord); }
  void ClearLastUsed() override { ++cleared; }
  bool CloseForm() override {
    ++closeRequests;
    return !delivering;
  }
  bool Delivering() const override { return delivering; }
  std::string ReportUnderDelivery() const override { return underDelivery; }
  std::vector<std::string> started;
  std::string underDelivery;
  int cleared = 0;
  int closeRequests = 0;
  bool delivering = false;
};

class MainWindow : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(::mkdir(dir.File("msg.d").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.File("logs").c_str(), 0755), 0);
  }
  void TearDown() override {
    if (w) w->close();
  }

  // A report file named `fileId`.911 whose record says `eid`.
  void Report(const std::string& fileId, int ast, const std::string& city = "Springfield",
              const std::string& adt = "261207", const std::string& atm = "0805",
              const std::string& eid = "") {
    WriteFileBytes(JoinPath(dir.File("msg.d"), fileId + ".911"),
                   "[911 DEFINITION]\r\nTYP=MED\r\nEID=" + (eid.empty() ? fileId : eid) +
                       "\r\nISS=Fall\r\nCTY=" + city + "\r\n[ADMIN DEFINITION]\r\nAST=" +
                       std::to_string(ast) + "\r\nADT=" + adt + "\r\nATM=" + atm + "\r\n[END]\r\n");
  }
  int StateOnDisk(const std::string& fileId) {
    const std::string bytes = ReadFileBytes(JoinPath(dir.File("msg.d"), fileId + ".911"));
    const auto at = bytes.find("AST=");
    return std::stoi(bytes.substr(at + 4));
  }

  // Each modal dialog is handed to the next scripted step; with no step left the station
  // dialog is confirmed as it stands (it must hold a complete station then).
  void Start() {
    StartWithoutWaiting();
    WaitForList();
  }
  void StartWithoutWaiting() {
    w = std::make_unique<frmCadromain>(windowServices ? *windowServices : t.services, ini, log, dir.str());
    w->SetEntryForm(&form);
    w->SetDocumentOpener([this](const QString& path) {
      opened.push_back(path);
      return true;
    });
    w->SetModalRunner([this](QDialog& d) {
      d.show();
      dialogs.push_back(d.objectName());
      if (!script.empty()) {
        auto step = std::move(script.front());
        script.pop_front();
        step(d);
      } else if (auto* station = qobject_cast<frmStationID*>(&d)) {
        const char* values[] = {"Ann Lee", "K6ABC", "Station 3", "FS3", nullptr, "Springfield"};
        for (int i = 0; i < 6; ++i) {
          if (values[i] && station->Box(i)->text().trimmed().isEmpty()) {
            station->Box(i)->setText(QString::fromLatin1(values[i]));
          }
        }
        station->cmdOK_Click();
      }
      d.hide();
      return d.result();
    });
    if (readerSetup) w->SetReaderSetupForTests(readerSetup);
    if (beforeStartup) beforeStartup(*w);
    w->Startup();
  }
  // The list is read in the background; what a test looks at next is the complete listing.
  void WaitForList() { CADRO_WAIT_FOR(!w->Listing(), 20000); }
  void Folder(int code) {
    w->cmdFolder_Click(code);
    WaitForList();
  }

  template <typename T>
  T* Find(const char* name) {
    T* found = w->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString Panel(const char* key) { return Find<QLabel>((std::string("sbrStatus_") + key).c_str())->text(); }
  QStringList Column(int c) {
    QStringList out;
    for (int r = 0; r < w->Model().rowCount(); ++r) out << w->Model().Text(r, c);
    return out;
  }
  void Select(std::initializer_list<int> rows) {
    auto* selection = w->List()->selectionModel();
    selection->clearSelection();
    for (int r : rows) {
      selection->select(w->Model().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  int RowOf(const QString& idx) { return static_cast<int>(Column(0).indexOf(idx)); }
  void ClickHeader(int column) {
    QHeaderView* header = w->List()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }

  testing::TempDir dir;
  testing::TestServices t;
  Services* windowServices = nullptr;  // the window's own, when a test needs real boxes
  CadroIni ini{dir.File("Cadrocts.ini"), t.services};
  SessionLog log{dir.str(), t.services};
  RecordingEntryForm form;
  BackgroundListing::ReaderSetup readerSetup;  // hooks into the list's reader, from the start
  std::unique_ptr<frmCadromain> w;
  std::deque<std::function<void(QDialog&)>> script;
  std::function<void(frmCadromain&)> beforeStartup;
  QStringList dialogs;
  QStringList opened;
};

}  // namespace cadro::testing
