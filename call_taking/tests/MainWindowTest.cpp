// The list window: first start, folders, deleting, sorting, the font, the layout it keeps, and
// what its menus open.
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

#include "EntryFormPort.h"
#include "FileIO.h"
#include "IncidentListModel.h"
#include "QtPlatform.h"
#include "StationRules.h"
#include "TestKit.h"
#include "frmAbout.h"
#include "frmCadroPref.h"
#include "frmCadromain.h"
#include "frmStationID.h"

namespace cadro {
namespace {

using testing::ReadFileBytes;
using testing::WriteFileBytes;

struct RecordingEntryForm final : EntryFormPort {
  void StartForm(const std::string& eventRecord) override { started.push_back(eventRecord); }
  void ClearLastUsed() override { ++cleared; }
  std::vector<std::string> started;
  int cleared = 0;
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
    w = std::make_unique<frmCadromain>(t.services, ini, log, dir.str());
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
    w->Startup();
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
  CadroIni ini{dir.File("Cadrocts.ini"), t.services};
  SessionLog log{dir.str(), t.services};
  RecordingEntryForm form;
  std::unique_ptr<frmCadromain> w;
  std::deque<std::function<void(QDialog&)>> script;
  QStringList dialogs;
  QStringList opened;
};

TEST_F(MainWindow, FirstStartInAnEmptyFolder) {
  QStringList shownBoxes;
  script.push_back([&](QDialog& d) {
    auto& station = dynamic_cast<frmStationID&>(d);
    for (int i = 0; i < 6; ++i) shownBoxes << station.Box(i)->text();
    d.close();
  });
  Start();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Cadro Call Taking System v3.4.5"));
  EXPECT_EQ(ReadFileBytes(dir.File("Cadrocts.ini")),
            "[Cadro Call Taking System]\r\nVersion=3.4.5\r\n\r\n[GENERAL OPTIONS]\r\n"
            "Nam=\r\nUid=\r\nLoc=\r\nCty=\r\nLid=\r\nEno=100\r\nLvf=10\r\nHst=127.0.0.1\r\n"
            "Prt=9334\r\nNto=5000\r\nEnc=BASE64\r\n");
  EXPECT_EQ(shownBoxes, (QStringList{"", "", "", "", "0100", ""}));
  EXPECT_EQ(dialogs, QStringList{"frmStationID"});
  EXPECT_EQ(form.cleared, 1);
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:0"));
  EXPECT_EQ(Panel("Config"), QStringLiteral("Name:  -- UID:  -- LOC: "));
  EXPECT_EQ(Panel("CurrentTime"), QStringLiteral("08:30:05"));
  EXPECT_EQ(Find<QLabel>("lblCurrentFolder")->text(), QStringLiteral("  Ready to Send"));
  EXPECT_EQ(w->CurrentFolder(), 2);
  const std::string logText = ReadFileBytes(JoinPath(dir.File("logs"), "Cadro_261207.log"));
  EXPECT_NE(logText.find("07-Dec-26 08:30:05: Cadro v3.4.5"), std::string::npos);
  EXPECT_TRUE(t.prompts.shown.empty());
}

TEST_F(MainWindow, TheStationDialogsAnswerReachesTheConfigPanelAndTheFileAtClose) {
  Start();
  EXPECT_EQ(Panel("Config"), QStringLiteral("Name: Ann Lee -- UID: K6ABC -- LOC: Station 3"));
  EXPECT_EQ(ReadFileBytes(dir.File("Cadrocts.ini")).find("Nam=Ann Lee"), std::string::npos);
  w->close();
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("Nam=Ann Lee\r\nUid=K6ABC\r\n"), std::string::npos);
}

TEST_F(MainWindow, ANumberTypedInTheStationDialogIsTheNextOneGivenOut) {
  Start();
  EXPECT_EQ(ini.NextEventNumber(), std::optional<std::int16_t>(100));
  script.push_back([](QDialog& d) {
    auto& s = dynamic_cast<frmStationID&>(d);
    s.Box(4)->clear();
    QTest::keyClicks(s.Box(4), "250");
    s.cmdOK_Click();
  });
  Find<QAction>("mnuStationID")->trigger();
  EXPECT_EQ(ini.NextEventNumber(), std::optional<std::int16_t>(250));
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("\r\nEno=251\r\n"), std::string::npos);
}

TEST_F(MainWindow, FoldersListTheirReportsAndCountThem) {
  Report("A.001", 2);
  Report("A.002", 2);
  Report("A.003", 6);
  Report("A.004", 1);
  Report("A.005", 8);
  Report("A.006", 9);
  Start();
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:2"));
  const struct {
    int code;
    const char* label;
    const char* items;
  } expected[] = {{6, "  Draft", "Items:1"},
                  {8, "  Deleted", "Items:1"},
                  {9, "  Submitted", "Items:1"},
                  {0, "  All", "Items:6"},
                  {2, "  Ready to Send", "Items:2"}};
  for (const auto& e : expected) {
    QTest::mouseClick(Find<QPushButton>(("cmdFolder_" + std::to_string(e.code)).c_str()), Qt::LeftButton);
    EXPECT_EQ(w->CurrentFolder(), e.code);
    EXPECT_EQ(Find<QLabel>("lblCurrentFolder")->text(), QString::fromLatin1(e.label));
    EXPECT_EQ(Panel("Status"), QString::fromLatin1(e.items));
  }
  w->cmdFolder_Click(0);
  EXPECT_EQ(w->Model().Text(RowOf("A.004"), 1), QString());
  EXPECT_EQ(w->Model().Text(RowOf("A.003"), 1), QStringLiteral("Draft"));
  EXPECT_EQ(w->Model().Text(RowOf("A.003"), 7), QStringLiteral("12/07/26 08:05"));
  QStringList headers;
  for (int c = 0; c < 8; ++c) headers << w->Model().headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  EXPECT_EQ(headers,
            (QStringList{"Idx", "State", "Event ID", "Type", "Issue", "Location", "City", "Date/Time"}));
}

TEST_F(MainWindow, DeleteMarksReportsDeletedOutsideTheDeletedFolder) {
  for (const char* id : {"A.001", "A.002", "A.003", "A.004"}) Report(id, 2);
  Start();
  Select({RowOf("A.001"), RowOf("A.002"), RowOf("A.004")});
  QTest::keyClick(w->List(), Qt::Key_Delete);
  EXPECT_EQ(Column(0), QStringList{"A.003"});
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
  for (const char* id : {"A.001", "A.002", "A.004"}) EXPECT_EQ(StateOnDisk(id), 8) << id;
  EXPECT_EQ(StateOnDisk("A.003"), 2);

  w->cmdFolder_Click(0);
  Select({RowOf("A.003")});
  Find<QAction>("mnuDelete")->trigger();
  EXPECT_EQ(StateOnDisk("A.003"), 8);
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:3"));
}

TEST_F(MainWindow, DeleteInTheDeletedFolderRemovesTheFilesForGood) {
  Report("A.001", 8);
  Report("A.002", 8);
  Report("A.003", 8);
  Start();
  w->cmdFolder_Click(8);
  Select({RowOf("A.001"), RowOf("A.003")});
  QTest::mouseClick(Find<QPushButton>("cmdDelete"), Qt::LeftButton);
  EXPECT_FALSE(PathExists(JoinPath(dir.File("msg.d"), "A.001.911")));
  EXPECT_FALSE(PathExists(JoinPath(dir.File("msg.d"), "A.003.911")));
  EXPECT_TRUE(PathExists(JoinPath(dir.File("msg.d"), "A.002.911")));
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
  Select({});
  w->cmdDelete_Click();  // nothing selected: nothing happens
  EXPECT_EQ(Panel("Status"), QStringLiteral("Items:1"));
}

TEST_F(MainWindow, DeleteActsOnTheRowsOwnFileNotOnTheEventIdInsideIt) {
  // The file B.001 holds the EID of another report; marking must touch B.001 and nothing else.
  Report("A.001", 2);
  Report("B.001", 2, "Springfield", "261207", "0805", "A.001");
  Start();
  Select({RowOf("B.001")});
  w->cmdDelete_Click();
  EXPECT_EQ(StateOnDisk("B.001"), 8);
  EXPECT_EQ(StateOnDisk("A.001"), 2);
  EXPECT_EQ(Column(0), QStringList{"A.001"});
}

TEST_F(MainWindow, ARowStaysWhenItsReportCouldNotBeDeleted) {
  Report("A.001", 2);
  Start();
  ASSERT_EQ(::chmod(JoinPath(dir.File("msg.d"), "A.001.911").c_str(), 0444), 0);
  Select({0});
  w->cmdDelete_Click();
  EXPECT_EQ(Column(0), QStringList{"A.001"});
  EXPECT_EQ(StateOnDisk("A.001"), 2);
  ASSERT_EQ(t.prompts.shown.size(), 1u);  // the record's own report
  EXPECT_NE(t.prompts.shown[0].text.find("Problems"), std::string::npos);
}

TEST_F(MainWindow, SortingByTextColumnsAndByRealDateAndTime) {
  Report("E.3", 2, "Boston", "261207", "0805");
  Report("E.1", 2, "albany", "270115", "0900");
  Report("E.2", 2, "Chicago", "991230", "2359");
  Report("E.4", 2, "Denver", "", "");
  Start();
  EXPECT_EQ(Column(6), (QStringList{"albany", "Boston", "Chicago", "Denver"}));  // built by City
  ClickHeader(2);  // Event ID, keeping the direction
  EXPECT_EQ(Column(2), (QStringList{"E.1", "E.2", "E.3", "E.4"}));
  ClickHeader(2);
  EXPECT_EQ(Column(2), (QStringList{"E.4", "E.3", "E.2", "E.1"}));
  ClickHeader(6);  // another column keeps the descending direction
  EXPECT_EQ(Column(6), (QStringList{"Denver", "Chicago", "Boston", "albany"}));
  ClickHeader(7);  // Date/Time turns the direction: ascending by real date, no date first
  EXPECT_EQ(Column(0), (QStringList{"E.4", "E.2", "E.3", "E.1"}));
  ClickHeader(7);
  EXPECT_EQ(Column(0), (QStringList{"E.1", "E.3", "E.2", "E.4"}));
  EXPECT_EQ(w->List()->header()->sortIndicatorSection(), 7);
}

TEST_F(MainWindow, FontSizeStepsWithinItsBoundsAndIsSavedAtClose) {
  WriteFileBytes(dir.File("Cadrocts.ini"), "Lvf=35\r\nNam=Ann Lee\r\nUid=K\r\nLoc=S\r\nCty=C\r\nLid=L\r\n");
  Start();
  EXPECT_EQ(w->ListFontSize(), 35.0F);
  QTest::mouseClick(Find<QPushButton>("cmdBigger"), Qt::LeftButton);
  EXPECT_EQ(w->ListFontSize(), kLargestListFont);
  EXPECT_FALSE(Find<QPushButton>("cmdBigger")->isEnabled());
  w->cmdBigger_Click();
  EXPECT_EQ(w->ListFontSize(), kLargestListFont);
  EXPECT_EQ(w->List()->font().pointSizeF(), kLargestListFont);
  Find<QAction>("mnuResetFont")->trigger();
  EXPECT_EQ(w->ListFontSize(), 10.0F);
  for (int i = 0; i < 20; ++i) w->cmdSmaller_Click();
  EXPECT_EQ(w->ListFontSize(), kSmallestListFont);
  EXPECT_FALSE(Find<QPushButton>("cmdSmaller")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdBigger")->isEnabled());
  w->cmdBigger_Click();
  w->close();
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("\r\nLvf=7\r\n"), std::string::npos);
}

TEST_F(MainWindow, AFontSizeBelowOnePointInTheFileIsRaisedToTheBound) {
  WriteFileBytes(dir.File("Cadrocts.ini"), "Lvf=0,5\r\n");
  t.locale.decimal = ',';
  Start();
  EXPECT_EQ(w->ListFontSize(), kSmallestListFont);
}

TEST_F(MainWindow, PlacementIsRestoredAndSavedOnlyInTheNormalState) {
  const std::string app = "Cadro Call Taking System";
  t.settings.Set(app, "Settings", "MainLeft", "1500");
  t.settings.Set(app, "Settings", "MainTop", "750");
  t.settings.Set(app, "Settings", "MainWidth", "12000");
  t.settings.Set(app, "Settings", "MainHeight", "6000");
  t.settings.Set(app, "Settings", "lvCW3", "3000");
  t.settings.Set(app, "Settings", "lvCW5", "junk");
  Start();
  const double dpi = w->logicalDpiX();
  EXPECT_EQ(w->pos(), QPoint(TwipsToPixels(1500, dpi), TwipsToPixels(750, dpi)));
  EXPECT_EQ(w->size(), QSize(TwipsToPixels(12000, dpi), TwipsToPixels(6000, dpi)));
  QHeaderView* header = w->List()->header();
  EXPECT_EQ(header->sectionSize(2), TwipsToPixels(3000, dpi));
  EXPECT_EQ(header->sectionSize(4), TwipsToPixels(2000, dpi));  // unreadable value: default
  EXPECT_EQ(header->sectionSize(0), 0);                         // 1 twip: all but hidden

  w->resize(TwipsToPixels(9000, dpi), TwipsToPixels(5000, dpi));
  header->resizeSection(3, TwipsToPixels(2400, dpi));
  w->close();
  const auto stored = [&](const char* key) { return *t.settings.Get(app, "Settings", key); };
  EXPECT_EQ(stored("MainWidth"), std::to_string(PixelsToTwips(TwipsToPixels(9000, dpi), dpi)));
  EXPECT_EQ(stored("MainLeft"), std::to_string(PixelsToTwips(TwipsToPixels(1500, dpi), dpi)));
  EXPECT_EQ(stored("lvCW4"), std::to_string(PixelsToTwips(TwipsToPixels(2400, dpi), dpi)));
  EXPECT_EQ(stored("lvCW1"), "0");
}

TEST_F(MainWindow, ClosingMaximisedKeepsThePlacementButSavesColumnsAndFont) {
  const std::string app = "Cadro Call Taking System";
  t.settings.Set(app, "Settings", "MainWidth", "12000");
  Start();
  w->showMaximized();
  w->List()->header()->resizeSection(5, 123);
  w->cmdBigger_Click();
  w->close();
  EXPECT_EQ(*t.settings.Get(app, "Settings", "MainWidth"), "12000");
  EXPECT_FALSE(t.settings.Get(app, "Settings", "MainLeft").has_value());
  EXPECT_EQ(*t.settings.Get(app, "Settings", "lvCW6"), std::to_string(PixelsToTwips(123, w->logicalDpiX())));
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("\r\nLvf=11\r\n"), std::string::npos);
}

TEST_F(MainWindow, PackAndResetColumns) {
  Report("A.001", 2, "A City With A Rather Long Name Indeed");
  Start();
  QHeaderView* header = w->List()->header();
  const double dpi = w->logicalDpiX();
  Find<QAction>("mnuPackColumns")->trigger();
  EXPECT_GT(header->sectionSize(6), TwipsToPixels(2000, dpi));
  EXPECT_GE(header->sectionSize(1), header->sectionSizeHint(1));
  EXPECT_EQ(header->sectionSize(0), 0);
  Find<QAction>("mnuResetColumns")->trigger();
  const long defaults[] = {1, 1000, 1000, 1000, 2000, 4000, 2000, 2000};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(header->sectionSize(c), TwipsToPixels(defaults[c], dpi)) << c;
}

TEST_F(MainWindow, NewReportAndDoubleClickOpenTheEntryForm) {
  Report("A.001", 2);
  Start();
  QTest::mouseClick(Find<QPushButton>("cmdNewReport"), Qt::LeftButton);
  w->LV_DblClick();  // nothing selected yet
  const QRect cell = w->List()->visualRect(w->Model().index(0, 2));
  QTest::mouseClick(w->List()->viewport(), Qt::LeftButton, {},
                    cell.center());  // the view wants a press first
  QTest::mouseDClick(w->List()->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(form.started, (std::vector<std::string>{"NEW", "A.001"}));
}

TEST_F(MainWindow, MenusDisableWhatHasNoActionAndOpenTheDialogs) {
  Start();
  for (const char* name : {"mnuExport", "mnuImport", "mnuPrintSetup", "mnuCut", "mnuCopy", "mnuPaste"}) {
    EXPECT_FALSE(Find<QAction>(name)->isEnabled()) << name;
  }
  script.push_back([](QDialog& d) { dynamic_cast<frmCadroPref&>(d).Box(0)->setText(QStringLiteral("x")); });
  ini.values.Nam = "Changed In Memory";
  Find<QAction>("mnuPreferences")->trigger();  // closed without OK: nothing taken, file written
  EXPECT_EQ(ini.values.Hst, "127.0.0.1");
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("Nam=Changed In Memory"), std::string::npos);
  script.push_back([](QDialog& d) { dynamic_cast<frmAbout&>(d).accept(); });
  Find<QAction>("mnuAbout")->trigger();
  script.push_back([](QDialog& d) {
    auto& s = dynamic_cast<frmStationID&>(d);
    s.Box(2)->setText(QStringLiteral("Other Place"));
    s.cmdOK_Click();
  });
  Find<QAction>("mnuStationID")->trigger();
  EXPECT_EQ(Panel("Config"), QStringLiteral("Name: Changed In Memory -- UID: K6ABC -- LOC: Other Place"));
  EXPECT_EQ(dialogs, (QStringList{"frmStationID", "frmCadroPref", "frmAbout", "frmStationID"}));
}

TEST_F(MainWindow, QuickStartOpensTheGuideOrSaysWhereItWasExpected) {
  Start();
  QAction* item = Find<QAction>("mnuCadroQuickStart");
  item->trigger();
  const std::string path = JoinPath(dir.File("docs"), "CadroUG-QuickStart.pdf");
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_EQ(t.prompts.shown[0].text,
            "Hmmm, can't find '" + path + "'\r\nMake sure Cadro was installed correctly");
  EXPECT_FALSE(item->isEnabled());
  EXPECT_TRUE(opened.isEmpty());

  ASSERT_EQ(::mkdir(dir.File("docs").c_str(), 0755), 0);
  WriteFileBytes(path, "%PDF-1.4\n");
  item->setEnabled(true);
  item->trigger();
  EXPECT_EQ(opened, QStringList{FromAnsi(path)});
}

}  // namespace
}  // namespace cadro
