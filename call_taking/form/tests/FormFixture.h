#pragma once
// A program folder with its message folder and station settings, an entry form on it, and the
// means to drive the form as an operator does: find controls, type, leave boxes, press buttons.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CadroIni.h"
#include "CadroMsg.h"
#include "FileIO.h"
#include "TestKit.h"
#include "frmCadrocts.h"
#include "frmStationID.h"

namespace cadro::form::testing {

// Deliveries that answer from a script and remember what they were given.
struct DeliveryScript {
  std::deque<bool> results;  // one per delivery; an empty script fails the delivery
  std::vector<std::string> envelopes;
  std::vector<std::string> subjects;
  std::function<void()> duringDelivery;  // runs while the delivery "waits"
  int answerAfterMs = 0;                 // how long the delivery "waits"
  bool linkTestRunning = false;          // the channel is taken by the link test
  bool envelopeWentOut = false;          // a failed or cancelled delivery had sent its envelope
  bool envelopeWriteFails = false;       // the envelope was announced, but its write failed
  bool announces = true;                 // false: a channel that never announces its envelope
};

// Answers like a real channel: later, from the event loop, never inside Start().
class ScriptedDelivery final : public ReportDelivery {
public:
  explicit ScriptedDelivery(DeliveryScript& script) : script_(script) {}
  bool Start(const std::string& envelope, const std::string& subject, StatusSink status) override {
    if (Busy()) return false;
    script_.envelopes.push_back(envelope);
    script_.subjects.push_back(subject);
    status_ = std::move(status);
    status_("Sending message...");
    running_ = true;
    QTimer::singleShot(script_.answerAfterMs, this, [this] {
      if (!running_) return;
      // An envelope the host acknowledges, or that went out unanswered, was announced first.
      if (script_.announces && (script_.envelopeWentOut || script_.envelopeWriteFails ||
                                (!script_.results.empty() && script_.results.front())))
        emit envelopeGoing();
      if (script_.duringDelivery) script_.duringDelivery();
      if (!running_) return;
      running_ = false;
      bool ok = false;
      if (!script_.results.empty()) {
        ok = script_.results.front();
        script_.results.pop_front();
      }
      emit finished(ok);
    });
    return true;
  }
  void Cancel() override {
    if (!running_) return;
    running_ = false;
    status_("Message transfer cancelled");
    emit finished(false);
  }
  bool Busy() const override { return running_ || script_.linkTestRunning; }
  std::string BusyText() const override {
    return "The Vtdirect link test is running; submit again when it has ended";
  }
  bool EnvelopeWentOut() const override { return script_.envelopeWentOut; }

private:
  DeliveryScript& script_;
  StatusSink status_;
  bool running_ = false;
};

class FormTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.path() / "msg.d");
    ts.clock.now = LocalTime{2026, 12, 7, 14, 20, 5};
    station = std::make_unique<CadroIni>(dir.File("Cadrocts.ini"), ts.services);
    station->ReadIni();
    {
      StationSettings changed = station->Values();
      changed.Lid = "XYZ";
      changed.Uid = "OPER1";
      changed.Loc = "EOC";
      station->SetValues(changed);
    }
    form = std::make_unique<frmCadrocts>(ts.services, *station, dir.str(), &delivery);
    QObject::connect(form.get(), &frmCadrocts::listMustBeRebuilt, [this] { ++rebuilds; });
  }

  // Presses Submit and waits until the delivery it started, if any, has ended.
  void Submit() {
    Click("cmdSubmit");
    EXPECT_TRUE(QTest::qWaitFor([this] { return !view()->DeliveryRunning(); }, 10000));
  }

  // Opens a report and makes the window the active one, so focus changes happen as on a desk.
  void Open(const std::string& eventRecord) {
    form->StartForm(eventRecord);
    if (form->isVisible()) {
      QApplication::setActiveWindow(form.get());
      ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
  }

  template <typename T = QWidget>
  T* Find(const char* name) const {
    T* w = view()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLineEdit* Line(const char* name) const { return Find<QLineEdit>(name); }
  QPlainTextEdit* Multi(const char* name) const { return Find<QPlainTextEdit>(name); }

  // Click into a box, type, then Tab out of it.
  void Type(const char* name, const QString& text, bool leave = true) {
    QWidget* w = Find(name);
    // An operator can only type where the box is shown and open for input.
    EXPECT_TRUE(w->isVisible() && w->isEnabled()) << name << " cannot take input";
    w->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w, text);
    if (leave) QTest::keyClick(w, Qt::Key_Tab);
  }
  void Click(const char* name) {
    QAbstractButton* b = Find<QAbstractButton>(name);
    EXPECT_TRUE(b->isVisible()) << name << " is not shown";
    // Option and check boxes answer clicks on their mark, which sits at their left.
    const bool marked = b->inherits("QRadioButton") || b->inherits("QCheckBox");
    QTest::mouseClick(b, Qt::LeftButton, {}, marked ? QPoint(7, b->height() / 2) : QPoint());
  }
  // Clicks a page's tab, as the operator does to reach its fields.
  void ClickTab(int page) {
    QTabBar* bar = Find<QTabWidget>("SSTab1")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
  }

  QColor Base(const char* name) const { return Find(name)->palette().color(QPalette::Base); }
  QColor ButtonColour(const char* name) const { return Find(name)->palette().color(QPalette::Button); }
  QColor LabelColour(const char* name) const { return Find(name)->palette().color(QPalette::Window); }
  QString StatusText() const { return Find<QLabel>("sbrStatus_Status")->text(); }

  std::string FileOf(const std::string& eventId) const {
    return JoinPath(JoinPath(dir.str(), "msg.d"), eventId + ".911");
  }
  bool Stored(const std::string& eventId) const { return PathExists(FileOf(eventId)); }
  CadroMsg LoadStored(const std::string& eventId) {
    CadroMsg msg(JoinPath(dir.str(), "msg.d"), ts.services);
    EXPECT_TRUE(msg.Load(eventId)) << eventId;
    return msg;
  }

  // Fills every required box of the summary, the reporter and the details.
  void FillRequired() {
    Type("txtHeader_0", "fall");
    Type("txtHeader_1", "100 main st");
    Type("txtHeader_8", "springfield");
    Type("txtHeader_3", "jane roe");
    Type("txtHeader_6", "14:05");
    Type("txtHeader_7", "Hip pain, cannot stand up", false);
  }

  cadro::testing::TestServices ts;
  cadro::testing::TempDir dir;
  std::unique_ptr<CadroIni> station;
  DeliveryScript script;
  ScriptedDelivery delivery{script};
  std::unique_ptr<frmCadrocts> form;
  int rebuilds = 0;
  frmCadrocts* shown = nullptr;  // the form the helpers act on when it is not `form`
  frmCadrocts* view() const { return shown ? shown : form.get(); }

  inline static const QColor kLightRed{255, 192, 192};
  inline static const QColor kLightYellow{255, 255, 128};
  inline static const QColor kSalmon{255, 128, 128};
};

// The list window's modal runner for tests that start it on a fresh station: the station
// identity it asks for first is filled in where empty and confirmed; any other dialog is left
// unanswered.
inline int AnswerStationIdentity(QDialog& d) {
  if (auto* stationDialog = qobject_cast<frmStationID*>(&d)) {
    const char* values[] = {"Ann Lee", "K6ABC", "Station 3", "FS3", nullptr, "Springfield"};
    for (int i = 0; i < 6; ++i)
      if (values[i] && stationDialog->Box(i)->text().trimmed().isEmpty())
        stationDialog->Box(i)->setText(QString::fromLatin1(values[i]));
    stationDialog->cmdOK_Click();
  }
  return d.result();
}

}  // namespace cadro::form::testing
