// Cadrocts, the call-taking program: one copy per program folder, the list window, and the entry
// form it opens.
#include <QApplication>
#include <QGuiApplication>

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "FileIO.h"
#include "ProgramFolderLock.h"
#include "ProgramIdentity.h"
#include "QtPlatform.h"
#include "VtdirectDelivery.h"
#include "VtdirectSession.h"
#include "frmCadrocts.h"
#include "frmCadromain.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Cadrocts"));
  // No application display name: Qt would append it to every window title on the desktop, and
  // each window's caption must stand alone.

  cadro::ProductServices product("Cadrocts");
  cadro::Services& services = product.services;
  const std::string folder = cadro::ProgramFolder();

  cadro::ProgramFolderLock lock(folder);
  switch (lock.Acquire()) {
    case cadro::ProgramFolderLock::Result::Acquired: break;
    case cadro::ProgramFolderLock::Result::HeldByOther:
      services.prompts.Message(cadro::AlreadyRunningMessage(folder, lock.holderPid()), cadro::kProgramTitle,
                               cadro::PromptIcon::Exclamation);
      return 1;
    case cadro::ProgramFolderLock::Result::Unavailable:
      // A folder this program cannot write to keeps no settings either; that is reported when
      // Cadrocts.ini is written. Taking calls still works.
      services.eventLog.Error(lock.error() + "; Cadrocts:ProgramFolderLock, FileName = " + lock.path());
      break;
  }

  cadro::CadroIni ini(cadro::JoinPath(folder, cadro::kIniFileName), services);
  cadro::SessionLog log(folder, services);
  cadro::frmCadromain window(services, ini, log, folder);

  // One direct link serves the deliveries and the preferences dialog's link test, so the two
  // never overlap.
  cadro::VtdirectSession link(services.prompts,
                              {[&log](const std::string& line) { log.WriteLog(line); }, {}});
  window.SetLinkTest([&link, &services](const cadro::StationSettings& typed) {
    // The test runs on while the dialog stays usable; the pointer says so until it ends.
    if (cadro::RunLinkTestFromPreferences(link, typed.Hst, typed.Prt, services.prompts,
                                          [](bool) { QGuiApplication::restoreOverrideCursor(); })) {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
  });
  cadro::form::VtdirectDelivery delivery(link, ini);
  cadro::form::frmCadrocts form(services, ini, folder, &delivery);
  QObject::connect(&form, &cadro::form::frmCadrocts::listMustBeRebuilt, &window,
                   &cadro::frmCadromain::BuildNewMsgList);
  window.SetEntryForm(&form);
  window.Startup();
  return QApplication::exec();
}
