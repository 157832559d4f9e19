// Opening stored reports from the list, whatever their files hold: a report opens whole, or the
// form says why it will not and the file stays as it was. Never a frozen window, never a field
// cut short behind the operator's back.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "ProgramFixture.h"
#include "ReportBinding.h"

namespace cadro::form::testing {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;

// Ends the test program when what it guards takes longer than any operator would wait: a window
// that froze must fail the test, not hold the suite for minutes.
class Watchdog {
public:
  explicit Watchdog(std::chrono::seconds limit)
      : thread_([this, limit] {
          std::unique_lock lock(mutex_);
          if (!done_.wait_for(lock, limit, [this] { return finished_; })) {
            std::fprintf(stderr, "the window did not answer within %lld s\n",
                         static_cast<long long>(limit.count()));
            std::_Exit(3);
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_one();
    thread_.join();
  }

private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

class OpenReport : public ProgramTest {
protected:
  // A stored draft whose details (and, when given, issue) are exactly `details` / `issue`.
  std::string Write(const std::string& id, const std::string& details, const std::string& issue = "Fall") {
    const std::string bytes = "[911 DEFINITION]\r\nTYP=FIRE\r\nEID=" + id +
                              "\r\nMID=XYZ-100\r\nISS=" + issue +
                              "\r\nAD1=100 Main St\r\nCTY=Springfield\r\nLAS=14:05\r\nDTL=" + details +
                              "\r\nRPN=Jane Roe\r\n[FIRE DEFINITION]\r\nPIN=No\r\n[ADMIN DEFINITION]\r\n"
                              "UID=OPER1\r\nULO=EOC\r\nAST=6\r\nADT=261207\r\nATM=1420\r\n[END]\r\n";
    WriteFileBytes(FileOf(id), bytes);
    return bytes;
  }
  void Refresh() {
    QTest::mouseClick(list->findChild<QPushButton*>("cmdFolder_0"), Qt::LeftButton);
    WaitForList();
  }
};

TEST_F(OpenReport, DetailsInOneEndlessLineAreRefusedWithTheReasonAndTheFileIsKept) {
  const std::string bytes = Write("XYZ26341.100", std::string(5 * 1024 * 1024, 'x'));
  Refresh();
  {
    Watchdog watchdog(std::chrono::seconds(30));
    OpenListed("XYZ26341.100");
  }
  EXPECT_FALSE(entry->isVisible());
  ASSERT_FALSE(ts.prompts.shown.empty());
  const std::string& box = ts.prompts.shown.back().text;
  EXPECT_NE(box.find("XYZ26341.100"), std::string::npos) << box;
  EXPECT_NE(box.find("DTL"), std::string::npos) << box;
  EXPECT_NE(box.find("5242880 characters"), std::string::npos) << box;
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), bytes);

  // The program carries on: the next report opens as usual.
  Write("XYZ26341.101", "Smoke seen");
  Refresh();
  OpenListed("XYZ26341.101");
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(), QStringLiteral("Smoke seen"));
}

TEST_F(OpenReport, ALongOneLineFieldIsRefusedRatherThanCutShort) {
  // A one-line box holds at most 32767 characters; opened, the rest would be gone at the next save.
  const std::string issue(40000, 'f');
  const std::string bytes = Write("XYZ26341.102", "Smoke seen", issue);
  Refresh();
  OpenListed("XYZ26341.102");
  EXPECT_FALSE(entry->isVisible());
  ASSERT_FALSE(ts.prompts.shown.empty());
  EXPECT_NE(ts.prompts.shown.back().text.find("ISS"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.102")), bytes);

  // The longest line a box takes opens whole and is stored back unchanged.
  const std::string longest(kLongestLineShown, 'g');
  Write("XYZ26341.103", longest + "\\n" + longest, longest);
  Refresh();
  OpenListed("XYZ26341.103");
  ASSERT_TRUE(entry->isVisible());
  Click("cmdSave");
  EXPECT_FALSE(entry->isVisible());
  EXPECT_EQ(LoadStored("XYZ26341.103").ISS(), longest);
  EXPECT_EQ(LoadStored("XYZ26341.103").DTL(), longest + "\\n" + longest);
}

TEST_F(OpenReport, TenMegabytesOfOrdinaryLinesOpenWhole) {
  std::string details;
  std::size_t lines = 0;
  for (; details.size() < 10 * 1024 * 1024; ++lines)
    details += "Unit 4 on scene, hose line laid to the east side.\\n";
  details += "End";
  Write("XYZ26341.104", details);
  Refresh();
  {
    Watchdog watchdog(std::chrono::seconds(30));
    OpenListed("XYZ26341.104");
    ASSERT_TRUE(entry->isVisible());
    (void)entry->grab();  // laid out and painted
  }
  const QString shown = Multi("txtHeader_7")->toPlainText();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("hose line laid to the east side.\nEnd")));
  EXPECT_EQ(static_cast<std::size_t>(shown.size()), details.size() - lines);  // "\\n" shows as one break
}

}  // namespace
}  // namespace cadro::form::testing
