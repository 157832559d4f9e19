// The whole road of a report: New Report in the list window, the entry form, a submit over TCP
// to the stand-in server, and the list showing the report as submitted.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>

#include "FormFixture.h"
#include "IncidentListModel.h"
#include "VtdirectDelivery.h"
#include "VtdirectStandin.h"
#include "frmCadromain.h"
#include "frmStationID.h"

namespace cadro::form::testing {
namespace {

class WholeRoad : public FormTest {
protected:
  void SetUp() override {
    FormTest::SetUp();
    form.reset();
    std::filesystem::create_directory(dir.path() / "logs");
    ASSERT_TRUE(server.Listen(0));

    list = std::make_unique<frmCadromain>(ts.services, *station, log, dir.str());
    list->SetModalRunner([](QDialog& d) {
      if (auto* stationDialog = qobject_cast<frmStationID*>(&d)) {
        const char* values[] = {"Ann Lee", "K6ABC", "Station 3", "FS3", nullptr, "Springfield"};
        for (int i = 0; i < 6; ++i)
          if (values[i] && stationDialog->Box(i)->text().trimmed().isEmpty())
            stationDialog->Box(i)->setText(QString::fromLatin1(values[i]));
        stationDialog->cmdOK_Click();
      }
      return d.result();
    });
    // The program's wiring: the form lives beside the list, on the same settings and log.
    realDelivery = std::make_unique<VtdirectDelivery>(link, *station);
    entry = new frmCadrocts(ts.services, *station, dir.str(), realDelivery.get(), list.get());
    QObject::connect(entry, &frmCadrocts::listMustBeRebuilt, list.get(), &frmCadromain::BuildNewMsgList);
    list->SetEntryForm(entry);
    list->Startup();
    {
      StationSettings changed = station->Values();
      changed.Prt = std::to_string(server.Port());
      station->SetValues(changed);
    }
  }

  void TearDown() override { list->close(); }

  QStringList Column(int c) const {
    QStringList out;
    for (int r = 0; r < list->Model().rowCount(); ++r) out << list->Model().Text(r, c);
    return out;
  }

  standin::VtdirectStandin server{{}};
  SessionLog log{dir.str(), ts.services};
  VtdirectSession link{ts.services.prompts, {[this](const std::string& line) { log.WriteLog(line); }, {}}};
  std::unique_ptr<VtdirectDelivery> realDelivery;
  std::unique_ptr<frmCadromain> list;
  frmCadrocts* entry = nullptr;
};

TEST_F(WholeRoad, ANewCallIsSubmittedAndListedAsSubmitted) {
  QTest::mouseClick(list->findChild<QPushButton*>("cmdNewReport"), Qt::LeftButton);
  ASSERT_TRUE(entry->isVisible());
  shown = entry;  // the fixture's helpers act on the program's entry form
  QApplication::setActiveWindow(entry);
  ASSERT_TRUE(QTest::qWaitForWindowActive(entry));
  const std::string eventId = entry->EventID();
  EXPECT_EQ(eventId.rfind("FS326341.", 0), 0u);

  Click("cmdRtype_1");
  FillRequired();
  Type("txtFire_0", "unknown");
  Click("cmdSave");
  EXPECT_FALSE(entry->isVisible());
  QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_6"), Qt::LeftButton);
  EXPECT_EQ(Column(0), QStringList{QString::fromStdString(eventId)});
  EXPECT_EQ(Column(1), QStringList{"Draft"});

  list->List()->setCurrentIndex(list->Model().index(0, 0));
  list->LV_DblClick();
  ASSERT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->ReportState(), kStateDraft);
  Submit();
  EXPECT_FALSE(entry->isVisible());
  ASSERT_EQ(server.Envelopes().size(), 1u);
  EXPECT_NE(server.Envelopes()[0].find("EVNT=" + eventId + "</AOMSG>"), std::string::npos);
  EXPECT_EQ(list->Model().rowCount(), 0);  // no longer a draft

  QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_9"), Qt::LeftButton);
  EXPECT_EQ(Column(0), QStringList{QString::fromStdString(eventId)});
  EXPECT_EQ(Column(1), QStringList{"Submitted"});
  EXPECT_TRUE(ts.prompts.shown.empty());
}

}  // namespace
}  // namespace cadro::form::testing
