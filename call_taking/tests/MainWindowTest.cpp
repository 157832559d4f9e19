// The list window as a whole: first start, the station dialog's answer, the font, the layout
// it keeps, and what its menus open.
#include "MainWindowFixture.h"

namespace cadro::testing {
namespace {

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

// "+-1" once read as -1: the dialog showed a negative number and no report could be started.
TEST_F(MainWindow, ANumberWithTwoSignsInTheSettingsFileIsNoNumber) {
  WriteFileBytes(dir.File("Cadrocts.ini"),
                 "[Cadro Call Taking System]\r\n[GENERAL OPTIONS]\r\nEno=+-1\r\nNto=+-1\r\n");
  QString shown;
  script.push_back([&](QDialog& d) {
    shown = dynamic_cast<frmStationID&>(d).Box(4)->text();
    d.close();
  });
  Start();
  EXPECT_EQ(shown, QStringLiteral("0100"));
  EXPECT_EQ(ini.Values().Nto, 5000);
  EXPECT_EQ(ini.NextEventNumber(), std::optional<std::int16_t>(100));
}

// An unreadable setting once numbered reports from 100 without a word. Each one is named with
// the value used in its place, once, in the session log and the status bar. A time-out of 0
// would fail every delivery at once, and 65536 or 70000 would wrap to 0 or to 4464 in 16 bits.
TEST_F(MainWindow, EveryUnreadableSettingIsNamedOnceWithTheValueUsed) {
  WriteFileBytes(dir.File("Cadrocts.ini"),
                 "[GENERAL OPTIONS]\r\nEno=abc\r\nNto=0\r\nLvf=big\r\nHst=vt.local\r\nNto=65536\r\n"
                 "Nto=70000\r\nEno\r\n");
  Start();
  EXPECT_EQ(ini.Values().Eno, 100);
  EXPECT_EQ(ini.Values().Nto, 5000);
  EXPECT_EQ(ini.Values().Hst, "vt.local");
  const QString panel = Panel("Settings");
  EXPECT_TRUE(Find<QLabel>("sbrStatus_Settings")->isVisibleTo(w.get()));
  for (const char* said :
       {"Eno=abc (line 2) could not be read; 100 is used", "Nto=0 (line 3) could not be read; 5000 is used",
        "Lvf=big (line 4) could not be read; 10 is used",
        "Nto=65536 (line 6) could not be read; 5000 is used",
        "Nto=70000 (line 7) could not be read; 5000 is used",
        "Eno (line 8) could not be read; 100 is used"}) {
    EXPECT_TRUE(panel.contains(QString::fromLatin1(said))) << said << "\n" << panel.toStdString();
  }
  EXPECT_FALSE(panel.contains(QStringLiteral("Hst")));
  std::string logText = ReadFileBytes(JoinPath(dir.File("logs"), "Cadro_261207.log"));
  const auto times = [&](const std::string& what) {
    int n = 0;
    for (auto at = logText.find(what); at != std::string::npos; at = logText.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(times("Cadrocts.ini: Eno=abc (line 2) could not be read; 100 is used"), 1) << logText;
  EXPECT_EQ(times("Cadrocts.ini: Nto=0 (line 3) could not be read; 5000 is used"), 1);
  EXPECT_EQ(t.eventLog.entries.size(), 6u);

  // A folder change, a rebuild or another dialog says nothing more.
  Folder(folder::kAll);
  Find<QAction>("mnuStationID")->trigger();
  logText = ReadFileBytes(JoinPath(dir.File("logs"), "Cadro_261207.log"));
  EXPECT_EQ(times("Eno=abc"), 1);
  EXPECT_TRUE(t.prompts.shown.empty());
}

TEST_F(MainWindow, ReadableSettingsLeaveTheSettingsPanelAway) {
  WriteFileBytes(dir.File("Cadrocts.ini"), "[GENERAL OPTIONS]\r\nEno=250\r\nNto=1\r\nNto=32767\r\n");
  Start();
  EXPECT_EQ(ini.Values().Nto, 32767);
  EXPECT_FALSE(Find<QLabel>("sbrStatus_Settings")->isVisibleTo(w.get()));
  EXPECT_EQ(ReadFileBytes(JoinPath(dir.File("logs"), "Cadro_261207.log")).find("Cadrocts.ini:"),
            std::string::npos);
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

TEST_F(MainWindow, TheProgramDoesNotEndUnderARunningDelivery) {
  Start();
  form.delivering = true;
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(Panel("Status"), QStringLiteral("A report is being delivered; close Cadro when it is done"));
  EXPECT_EQ(ReadFileBytes(dir.File("Cadrocts.ini")).find("Nam=Ann Lee"),
            std::string::npos);  // nothing saved yet
  form.delivering = false;
  EXPECT_TRUE(w->close());
  EXPECT_EQ(form.closeRequests, 2);
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("Nam=Ann Lee"), std::string::npos);
}

TEST_F(MainWindow, FontSizeStepsWithinItsBoundsAndIsSavedAtClose) {
  WriteFileBytes(dir.File("Cadrocts.ini"), "Lvf=35\r\nNam=Ann Lee\r\nUid=K\r\nLoc=S\r\nCty=C\r\nLid=L\r\n");
  Start();
  EXPECT_EQ(w->ListFontSize(), 35.0F);
  QTest::mouseClick(Find<QPushButton>("cmdBigger"), Qt::LeftButton);
  WaitForList();
  EXPECT_EQ(w->ListFontSize(), kLargestListFont);
  EXPECT_FALSE(Find<QPushButton>("cmdBigger")->isEnabled());
  w->cmdBigger_Click();
  WaitForList();
  EXPECT_EQ(w->ListFontSize(), kLargestListFont);
  EXPECT_EQ(w->List()->font().pointSizeF(), kLargestListFont);
  Find<QAction>("mnuResetFont")->trigger();
  WaitForList();
  EXPECT_EQ(w->ListFontSize(), 10.0F);
  for (int i = 0; i < 20; ++i) w->cmdSmaller_Click();
  EXPECT_EQ(w->ListFontSize(), kSmallestListFont);
  EXPECT_FALSE(Find<QPushButton>("cmdSmaller")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdBigger")->isEnabled());
  w->cmdBigger_Click();
  WaitForList();
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
  t.settings.Set(app, "Settings", "lvCW2", "0");  // a column the operator closed stays closed
  Start();
  const double dpi = w->logicalDpiX();
  EXPECT_EQ(w->pos(), QPoint(TwipsToPixels(1500, dpi), TwipsToPixels(750, dpi)));
  EXPECT_EQ(w->size(), QSize(TwipsToPixels(12000, dpi), TwipsToPixels(6000, dpi)));
  QHeaderView* header = w->List()->header();
  EXPECT_EQ(header->sectionSize(2), TwipsToPixels(3000, dpi));
  EXPECT_EQ(header->sectionSize(4), TwipsToPixels(2000, dpi));  // unreadable value: default
  EXPECT_EQ(header->sectionSize(0), 0);                         // 1 twip: all but hidden
  EXPECT_EQ(header->sectionSize(1), 0);

  w->resize(TwipsToPixels(9000, dpi), TwipsToPixels(5000, dpi));
  header->resizeSection(3, TwipsToPixels(2400, dpi));
  w->close();
  const auto stored = [&](const char* key) { return *t.settings.Get(app, "Settings", key); };
  EXPECT_EQ(stored("MainWidth"), std::to_string(PixelsToTwips(TwipsToPixels(9000, dpi), dpi)));
  EXPECT_EQ(stored("MainLeft"), std::to_string(PixelsToTwips(TwipsToPixels(1500, dpi), dpi)));
  EXPECT_EQ(stored("lvCW4"), std::to_string(PixelsToTwips(TwipsToPixels(2400, dpi), dpi)));
  EXPECT_EQ(stored("lvCW1"), "0");
  EXPECT_EQ(stored("lvCW2"), "0");
  EXPECT_EQ(stored("lvCW8"), std::to_string(PixelsToTwips(TwipsToPixels(2000, dpi), dpi)));
}

// A placement from a screen that is gone brings the window back where the operator can reach
// it; a size never stored is the default size.
TEST_F(MainWindow, APlacementOffEveryScreenComesBackToTheDefaults) {
  const std::string app = "Cadro Call Taking System";
  t.settings.Set(app, "Settings", "MainLeft", "900000");
  t.settings.Set(app, "Settings", "MainTop", "900000");
  Start();
  const double dpi = w->logicalDpiX();
  EXPECT_EQ(w->pos(), QPoint(TwipsToPixels(105, dpi), TwipsToPixels(105, dpi)));
  EXPECT_EQ(w->size(), QSize(TwipsToPixels(11235, dpi), TwipsToPixels(7200, dpi)));
}

TEST_F(MainWindow, ClosingMaximisedKeepsThePlacementButSavesColumnsAndFont) {
  const std::string app = "Cadro Call Taking System";
  t.settings.Set(app, "Settings", "MainWidth", "12000");
  Start();
  w->showMaximized();
  w->List()->header()->resizeSection(5, 123);
  w->cmdBigger_Click();
  WaitForList();
  w->close();
  EXPECT_EQ(*t.settings.Get(app, "Settings", "MainWidth"), "12000");
  EXPECT_FALSE(t.settings.Get(app, "Settings", "MainLeft").has_value());
  EXPECT_EQ(*t.settings.Get(app, "Settings", "lvCW6"), std::to_string(PixelsToTwips(123, w->logicalDpiX())));
  EXPECT_NE(ReadFileBytes(dir.File("Cadrocts.ini")).find("\r\nLvf=11\r\n"), std::string::npos);
}

// The operator's column widths are the list's, not one listing's: a folder change, a new listing
// after a save, a font change or a sort keeps them, and closing stores them.
TEST_F(MainWindow, ColumnWidthsSurviveEveryNewListing) {
  const std::string app = "Cadro Call Taking System";
  Report("A.001", 2);
  Report("A.002", 6);
  Start();
  QHeaderView* header = w->List()->header();
  header->resizeSection(5, 123);
  header->resizeSection(3, 45);
  const auto kept = [&](const char* after) {
    EXPECT_EQ(header->sectionSize(5), 123) << after;
    EXPECT_EQ(header->sectionSize(3), 45) << after;
    EXPECT_EQ(header->sectionSize(0), 0) << after;
  };
  Folder(0);
  kept("a folder change");
  w->BuildNewMsgList();
  WaitForList();
  kept("a rebuild");
  ClickHeader(4);
  kept("a sort");
  Find<QLineEdit>("txtSearch")->setText(QStringLiteral("A.001"));
  kept("a search");
  w->cmdBigger_Click();
  WaitForList();
  kept("a bigger font");
  w->close();
  EXPECT_EQ(*t.settings.Get(app, "Settings", "lvCW6"), std::to_string(PixelsToTwips(123, w->logicalDpiX())));
}

TEST_F(MainWindow, PackAndResetColumns) {
  Report("A.001", 2, "A City With A Rather Long Name Indeed");
  // Widths from the last run are the operator's, not the defaults Reset brings back.
  t.settings.Set("Cadro Call Taking System", "Settings", "lvCW6", "5000");
  t.settings.Set("Cadro Call Taking System", "Settings", "lvCW8", "3000");
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

TEST_F(MainWindow, MenusDisableWhatHasNoActionAndOpenTheDialogs) {
  Start();
  for (const char* name : {"mnuExport", "mnuImport", "mnuPrintSetup", "mnuCut", "mnuCopy", "mnuPaste"}) {
    EXPECT_FALSE(Find<QAction>(name)->isEnabled()) << name;
  }
  script.push_back([](QDialog& d) { dynamic_cast<frmCadroPref&>(d).Box(0)->setText(QStringLiteral("x")); });
  {
    StationSettings changed = ini.Values();
    changed.Nam = "Changed In Memory";
    ini.SetValues(changed);
  }
  Find<QAction>("mnuPreferences")->trigger();  // closed without OK: nothing taken, file written
  EXPECT_EQ(ini.Values().Hst, "127.0.0.1");
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
}  // namespace cadro::testing
