#pragma once
// The list window and the entry form wired as the program wires them, on a throwaway program
// folder, with deliveries from a script. Tests drive them as an operator does.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include "CadroLogLib.h"
#include "FormFixture.h"
#include "IncidentListModel.h"
#include "WaitFor.h"
#include "frmCadromain.h"
#include "frmStationID.h"

namespace cadro::form::testing {

class ProgramTest : public FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    form.reset();
    std::filesystem::create_directory(dir.path() / "logs");
    StartProgram();
  }
  void TearDown() override {
    // A test that kept the program open ends it without questions.
    if (list && list->isVisible()) {
      ts.prompts.saveAnswers.push_back(SaveChoice::Discard);
      list->close();
    }
  }

  // The start-up as the program runs it; the station dialog is confirmed as the file holds it,
  // with the boxes it leaves empty filled in.
  void StartProgram() {
    list = std::make_unique<frmCadromain>(ts.services, *station, log, dir.str());
    list->SetModalRunner([this](QDialog& d) {
      if (auto* stationDialog = qobject_cast<frmStationID*>(&d)) {
        const char* values[] = {"Ann Lee", "K6ABC", "Station 3", "XYZ", nullptr, "Springfield"};
        for (int i = 0; i < 6; ++i)
          if (values[i] && stationDialog->Box(i)->text().trimmed().isEmpty())
            stationDialog->Box(i)->setText(QString::fromLatin1(values[i]));
        if (typedEventNumber) stationDialog->Box(4)->setText(QString::fromStdString(*typedEventNumber));
        stationDialog->cmdOK_Click();
      }
      return d.result();
    });
    entry = new frmCadrocts(ts.services, *station, dir.str(), &delivery, list.get());
    QObject::connect(entry, &frmCadrocts::listMustBeRebuilt, list.get(), &frmCadromain::BuildNewMsgList);
    list->SetEntryForm(entry);
    list->Startup();
    WaitForList();
    shown = entry;
  }

  // The list reads the message folder in the background; a test looks at the complete listing.
  void WaitForList() { CADRO_WAIT_FOR(!list->Listing(), 20000); }
  void NewReport() {
    QTest::mouseClick(list->findChild<QPushButton*>("cmdNewReport"), Qt::LeftButton);
    ASSERT_TRUE(entry->isVisible());
    QApplication::setActiveWindow(entry);
    ASSERT_TRUE(QTest::qWaitForWindowActive(entry));
  }
  // Opens the listed report `eventId` with a double-click, as from the "All" folder.
  void OpenListed(const std::string& eventId) {
    QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_0"), Qt::LeftButton);
    WaitForList();
    for (int r = 0; r < list->Model().rowCount(); ++r) {
      if (list->Model().Text(r, 0).toStdString() != eventId) continue;
      list->List()->setCurrentIndex(list->Model().index(r, 0));
      list->LV_DblClick();
      if (entry->isVisible()) {
        QApplication::setActiveWindow(entry);
        EXPECT_TRUE(QTest::qWaitForWindowActive(entry));
      }
      return;
    }
    ADD_FAILURE() << eventId << " is not listed";
  }
  void Exit() { list->findChild<QAction*>("mnuExit")->trigger(); }

  std::vector<std::string> StoredIds() const {
    std::vector<std::string> ids;
    for (const auto& e : std::filesystem::directory_iterator(dir.path() / "msg.d"))
      ids.push_back(e.path().stem().string());
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  std::optional<std::string> typedEventNumber;  // what the operator types into the station dialog
  SessionLog log{dir.str(), ts.services};
  std::unique_ptr<frmCadromain> list;
  frmCadrocts* entry = nullptr;
};

}  // namespace cadro::form::testing
