#include "Startup.h"

#include "AnsiText.h"
#include "FileIO.h"
#include "RunError.h"

namespace cadro {

std::string StartupDataPath(FileLib& fileLib, Prompts& prompts, const std::string& programTitle) {
  std::string appFolder;
  try {
    appFolder = fileLib.WhereAmI();
    fileLib.SetDataPath(fileLib.DefineDataPath(appFolder, "Vantrel.conf"));
  } catch (const RunError& e) {
    const std::string conf = fileLib.FailedFile().empty()
                                 ? JoinPath(fileLib.ProgramFolderPath(), "Vantrel.conf")
                                 : fileLib.FailedFile();
    fileLib.SetDataPath(fileLib.AppDataFallback(appFolder));
    std::string text = "Module1:Main, Step=" + std::to_string(fileLib.Step()) + "\r\nProblems reading " +
                       Utf8ToAnsi(conf) + ", Please check it\r\nError=" + std::to_string(e.number) + ", " +
                       e.description;
    // What to mend, and where the viewer looks meanwhile: one box says it all.
    if (!fileLib.Hint().empty()) text += "\r\nIn that file, " + fileLib.Hint() + ".";
    text += "\r\nUntil it is mended the host data folder is taken as " + Utf8ToAnsi(fileLib.DataPath()) + ".";
    prompts.Message(text, programTitle, PromptIcon::Exclamation);
  }
  return fileLib.DataPath();
}

}  // namespace cadro
