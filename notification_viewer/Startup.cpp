#include "Startup.h"

#include "FileIO.h"
#include "RunError.h"

namespace cadro {

std::string StartupDataPath(FileLib& fileLib, Prompts& prompts, const std::string& programTitle) {
  std::string appFolder;
  try {
    appFolder = fileLib.WhereAmI();
    fileLib.SetDataPath(fileLib.DefineDataPath(appFolder, "Vantrel.conf"));
  } catch (const RunError& e) {
    prompts.Message("Module1:Main, Step=" + std::to_string(fileLib.Step()) + "\r\nProblems reading " +
                        JoinPath(fileLib.ProgramFolderPath(), "Vantrel.conf") +
                        ", Please check it\r\nError=" + std::to_string(e.number) + ", " + e.description,
                    programTitle, PromptIcon::Exclamation);
    fileLib.SetDataPath(fileLib.AppDataFallback(appFolder));
  }
  return fileLib.DataPath();
}

}  // namespace cadro
