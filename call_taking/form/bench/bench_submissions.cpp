// bench_submissions: the heap of the entry form over many calls taken in a row. Each call opens
// a new report, selects a type, types the required fields, submits it to a delivery that
// accepts at once and paints the form, as an operator's day does. Prints the heap in use
// (glibc mallinfo2: uordblks) after a warm-up and after each further block of submissions.
#include <malloc.h>

#include <QApplication>
#include <QLineEdit>
#include <QPixmapCache>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "CadroIni.h"
#include "frmCadrocts.h"

namespace {

constexpr int kWarmUp = 200;
constexpr int kMeasured = 1000;
constexpr int kBlock = 250;

struct QuietLog final : cadro::EventLog {
  void Error(const std::string&) override {}
};
struct QuietPrompts final : cadro::Prompts {
  void Message(const std::string& text, const std::string&, cadro::PromptIcon) override {
    std::fprintf(stderr, "unexpected box: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&, const std::string&, cadro::PromptIcon) override { return true; }
  void Beep() override {}
};
struct FixedClock final : cadro::Clock {
  cadro::LocalTime Now() const override { return {2026, 12, 7, 14, 20, 5}; }
};
struct Locale final : cadro::UserLocale {
  std::string MonthAbbrev(int) const override { return "Dec"; }
  char DecimalSeparator() const override { return '.'; }
};
struct MemorySettings final : cadro::SettingsStore {
  std::optional<std::string> Get(const std::string&, const std::string&, const std::string&) const override {
    return std::nullopt;
  }
  void Set(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

// A host that acknowledges every report at once (on the next turn of the event loop).
class Accepting final : public cadro::form::ReportDelivery {
public:
  bool Start(const std::string&, const std::string&, cadro::form::StatusSink) override {
    running_ = true;
    QTimer::singleShot(0, this, [this] {
      running_ = false;
      emit envelopeGoing();
      emit finished(true);
    });
    return true;
  }
  void Cancel() override {}
  bool Busy() const override { return running_; }
  std::string BusyText() const override { return {}; }

private:
  bool running_ = false;
};

std::size_t HeapInUse() {
  return mallinfo2().uordblks;
}

// What returning to the program's event loop does after each action, objects deleted later
// included (processEvents alone leaves those for a loop that the bench never returns to).
void Settle() {
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Type(QWidget* form, const char* name, const char* text) {
  QWidget* box = form->findChild<QWidget*>(QString::fromLatin1(name));
  box->setFocus(Qt::MouseFocusReason);
  QTest::keyClicks(box, QString::fromLatin1(text));
  QTest::keyClick(box, Qt::Key_Tab);
}

void TakeOneCall(cadro::form::frmCadrocts& form, int n) {
  form.StartForm("NEW");
  QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("cmdRtype_%1").arg(n % 4)), Qt::LeftButton);
  Type(&form, "txtHeader_0", "fall");
  Type(&form, "txtHeader_1", "100 main st");
  Type(&form, "txtHeader_8", "springfield");
  Type(&form, "txtHeader_3", "jane roe");
  Type(&form, "txtHeader_6", "14:05");
  Type(&form, "txtHeader_7", "hip pain");
  if (n % 4 == 0) {
    Type(&form, "txtMed_0", "80");
    Type(&form, "txtMed_1", "female");
    QTest::mouseClick(form.findChild<QWidget*>(QStringLiteral("optCons_1")), Qt::LeftButton, {},
                      QPoint(7, 7));
    QTest::mouseClick(form.findChild<QWidget*>(QStringLiteral("optBrea_1")), Qt::LeftButton, {},
                      QPoint(7, 7));
  }
  if (n % 4 == 1) Type(&form, "txtFire_0", "unknown");
  (void)form.grab();  // paints every control, as the screen does
  QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("cmdSubmit")), Qt::LeftButton);
  while (form.DeliveryRunning()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  Settle();
}

}  // namespace

int main(int argc, char** argv) {
  // The offscreen platform's notes about raising windows would drown the figures.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  });
  QApplication app(argc, argv);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("bench_submissions." + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "msg.d");

  QuietLog log;
  QuietPrompts prompts;
  FixedClock clock;
  Locale locale;
  MemorySettings settings;
  cadro::Services services{log, prompts, clock, locale, settings};
  cadro::CadroIni ini((folder / "Cadrocts.ini").string(), services);
  ini.ReadIni();
  cadro::StationSettings station = ini.Values();
  station.Lid = "XYZ";
  station.Uid = "OPER1";
  station.Loc = "EOC";
  ini.SetValues(station);
  Accepting host;
  cadro::form::frmCadrocts form(services, ini, folder.string(), &host);

  int taken = 0;
  const auto take = [&](int count) {
    for (int i = 0; i < count; ++i) {
      TakeOneCall(form, taken++);
    }
  };
  take(kWarmUp);
  const std::size_t warm = HeapInUse();
  std::printf("submissions: %d warm-up, then %d measured\n", kWarmUp, kMeasured);
  std::printf("heap in use after warm-up: %zu bytes\n", warm);
  for (int done = 0; done < kMeasured; done += kBlock) {
    take(kBlock);
    const std::size_t now = HeapInUse();
    std::printf("after %4d more: %zu bytes (%+lld, %+.1f bytes per submission)\n", done + kBlock, now,
                static_cast<long long>(now) - static_cast<long long>(warm),
                (static_cast<double>(now) - static_cast<double>(warm)) / (done + kBlock));
  }
  std::filesystem::remove_all(folder);
  return 0;
}
