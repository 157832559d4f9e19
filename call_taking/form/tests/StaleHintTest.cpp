// The possible-duplicate hint on the list speaks of the report just saved, names it, and goes
// once that report is no longer the one just saved.
#include <QFrame>

#include "ProgramFixture.h"

namespace cadro::form::testing {
namespace {

class StaleHint : public ProgramTest {
protected:
  // Saves a new report from the list's New Report button; its event ID.
  std::string SaveNew(const char* type, const QString& issue, const QString& address) {
    NewReport();
    const std::string id = entry->EventID();
    Click(type);
    FillRequired();
    Line("txtHeader_0")->clear();
    Type("txtHeader_0", issue);
    Line("txtHeader_1")->clear();
    Type("txtHeader_1", address);
    if (std::string(type) == "cmdRtype_1") Type("txtFire_0", "unknown");
    Click("cmdSave");
    EXPECT_FALSE(entry->isVisible());
    WaitForList();
    return id;
  }
  QFrame* Bar() const { return list->findChild<QFrame*>("fraDuplicateHint"); }
  QString HintFor() const { return list->findChild<QLabel*>("lblDuplicateHintFor")->text(); }
};

TEST_F(StaleHint, TheHintNamesItsReportAndGoesWhenAnUnrelatedCallIsSaved) {
  const std::string fire = SaveNew("cmdRtype_1", "smoke", "100 north main st");
  EXPECT_TRUE(Bar()->isHidden());
  const std::string again = SaveNew("cmdRtype_1", "flames", "100 north main st");
  ASSERT_FALSE(Bar()->isHidden());
  EXPECT_TRUE(HintFor().contains(QString::fromStdString(again))) << HintFor().toStdString();
  EXPECT_TRUE(list->findChild<QLabel*>("lblDuplicateHint")->text().contains(QString::fromStdString(fire)));

  // Without Ignore, a noise complaint elsewhere is saved: the hint is no longer about it.
  SaveNew("cmdRtype_3", "noise", "7 elm rd");
  EXPECT_TRUE(Bar()->isHidden());
}

TEST_F(StaleHint, TheHintGoesWhenItsReportIsDeleted) {
  SaveNew("cmdRtype_1", "smoke", "100 north main st");
  const std::string again = SaveNew("cmdRtype_1", "flames", "100 north main st");
  ASSERT_FALSE(Bar()->isHidden());
  OpenListed(again);
  ASSERT_TRUE(entry->isVisible());
  Click("cmdDelete");
  WaitForList();
  EXPECT_TRUE(Bar()->isHidden());
}

}  // namespace
}  // namespace cadro::form::testing
