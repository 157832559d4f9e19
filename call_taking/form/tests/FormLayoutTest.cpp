// What the entry form shows must be readable: the longest event ID and the state beside it each
// keep their own room, at the form's usual size and at the smallest the operator can make it.
#include <QLayout>

#include "FormFixture.h"

namespace cadro::form::testing {
namespace {

using FormLayout = FormTest;

void ExpectReadable(QLabel* label) {
  const int needed = label->fontMetrics().horizontalAdvance(label->text());
  EXPECT_GE(label->contentsRect().width(), needed)
      << label->objectName().toStdString() << " cuts '" << label->text().toStdString() << "'";
}

TEST_F(FormLayout, TheLongestEventIdAndTheStateDoNotRunIntoEachOther) {
  ts.clock.now = LocalTime{2026, 12, 8, 9, 0, 0};
  // A desktop with large fonts, where every text needs more room than the form was drawn for.
  QFont large = form->font();
  large.setPointSizeF(large.pointSizeF() * 1.6);
  form->setFont(large);
  StationSettings settings = station->Values();
  settings.Lid = "AB1";
  settings.Eno = 32767;
  station->SetValues(settings);
  Open("NEW");
  ASSERT_TRUE(form->isVisible());
  QLabel* eventId = Find<QLabel>("Label20");
  QLabel* state = Find<QLabel>("Label22");
  ASSERT_EQ(eventId->text(), QStringLiteral("AB126342.32767"));

  for (const bool smallest : {false, true}) {
    SCOPED_TRACE(smallest ? "smallest size" : "usual size");
    if (smallest) form->resize(form->minimumSizeHint());
    QApplication::processEvents();
    // The state texts differ in length; each one must fit beside the longest ID.
    for (const char* caption : {"New Report", "Ready, not Submitted", "Previously Saved Report"}) {
      state->setText(QString::fromLatin1(caption));
      QApplication::processEvents();
      ExpectReadable(eventId);
      ExpectReadable(state);
      const QRect idBox(eventId->mapTo(form.get(), QPoint(0, 0)), eventId->size());
      const QRect stateBox(state->mapTo(form.get(), QPoint(0, 0)), state->size());
      EXPECT_FALSE(idBox.intersects(stateBox));
      // The text of the ID ends before the state's text begins, with room between them.
      const int idTextEnd = idBox.left() + eventId->fontMetrics().horizontalAdvance(eventId->text());
      EXPECT_GE(stateBox.left() - idTextEnd, eventId->fontMetrics().averageCharWidth());
    }
  }
}

}  // namespace
}  // namespace cadro::form::testing
