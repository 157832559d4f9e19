// The choosers of a start without a command line, as the operator gets them: each opens in the
// folder it is given, offers its own file type first, and gives back the chosen file's bytes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <functional>

#include "QtDefinitionFilePicker.h"
#include "TestKit.h"

#include <gtest/gtest.h>

namespace cadro {
namespace {

TEST(QtDefinitionFilePicker, ChoosersOfferTheirFileTypeInTheGivenFolder) {
  {
    testing::TempDir dir;
    const QString folder = QFile::decodeName(dir.File("Formul\xC3\xA1rios").c_str());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString message = folder + QStringLiteral("/Ocorr\u00EAncia.ddf");
    QFile f(message);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("TYPE=FIRE\r\n");
    f.close();

    QString title;
    QStringList filters;
    QString shownFolder;
    bool seen = false;
    // Answered from inside its own event loop, as soon as it is up (bounded by the test's time-out).
    std::function<void()> answer = [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        QTimer::singleShot(20, answer);
        return;
      }
      seen = true;
      title = dialog->windowTitle();
      filters = dialog->nameFilters();
      shownFolder = dialog->directory().absolutePath();
      dialog->selectFile(message);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the selection
    };
    QTimer::singleShot(0, answer);
    QtDefinitionFilePicker picker;
    const std::optional<std::string> chosen =
        picker.Choose(DefinitionKind::Data, QFile::encodeName(folder).toStdString());
    EXPECT_TRUE(seen);
    EXPECT_EQ(title, QString::fromLatin1(QtDefinitionFilePicker::Caption(DefinitionKind::Data)));
    EXPECT_EQ(filters.value(0), QStringLiteral("Data definition files (*.ddf *.DDF)"));
    EXPECT_EQ(shownFolder, folder);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, QFile::encodeName(message).toStdString());

    // Cancelled: nothing.
    std::function<void()> cancel = [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) {
        QTimer::singleShot(20, cancel);
        return;
      }
      filters = dialog->nameFilters();
      dialog->reject();
    };
    QTimer::singleShot(0, cancel);
    EXPECT_FALSE(picker.Choose(DefinitionKind::Form, {}).has_value());
    EXPECT_EQ(filters.value(0), QStringLiteral("Form definition files (*.fdf *.FDF)"));
  }
}

}  // namespace
}  // namespace cadro
