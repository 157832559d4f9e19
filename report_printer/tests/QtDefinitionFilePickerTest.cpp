// The choosers of a start without a command line, as the operator gets them: each opens in the
// folder it is given, offers its own file type first, and gives back the chosen file's bytes.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSettings>
#include <QTimer>
#include <functional>

#include "QtDefinitionFilePicker.h"
#include "QtPlatform.h"
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

// The folders last chosen, in the user's settings file: kept as the text they are, a name that
// is no UTF-8 as its bytes, and a value older versions wrote (the name's bytes taken for
// Windows-1252 characters) read back as the name it was.
TEST(QtDefinitionFilePicker, FolderNamesAreStoredAsWrittenAndOldOnesReadRight) {
  testing::TempDir config;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(config.str()));
  const std::string conf = config.File("Cadro/Cadrorpt.conf");
  QtSettingsStore store;
  const std::string accented = "/srv/Formul\xC3\xA1rios";

  store.Set("Cadrorpt", "Open", "FormFolder", accented);  // what older versions did
  ASSERT_NE(testing::ReadFileBytes(conf).find("FormFolder=/srv/Formul\xC3\x83\xC2\xA1rios"),
            std::string::npos)
      << testing::ReadFileBytes(conf);
  EXPECT_EQ(store.GetText("Cadrorpt", "Open", "FormFolder"), accented);

  for (const std::string& name : {accented, std::string("/srv/Formul\xE1rios"), std::string("/srv/forms"),
                                  std::string("/srv/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80")}) {
    store.SetText("Cadrorpt", "Open", "DataFolder", name);
    EXPECT_EQ(store.GetText("Cadrorpt", "Open", "DataFolder"), name);
  }
  store.SetText("Cadrorpt", "Open", "FormFolder", accented);
  EXPECT_NE(testing::ReadFileBytes(conf).find("FormFolder=" + accented + "\n"), std::string::npos)
      << testing::ReadFileBytes(conf);
  EXPECT_EQ(store.GetText("Cadrorpt", "Open", "FormFolder"), accented);
  EXPECT_EQ(store.GetText("Cadrorpt", "Open", "Missing"), std::nullopt);
}

}  // namespace
}  // namespace cadro
