// vtnote-writer: appends notification records to Vtnote.dat as the host does (no lock, no second
// look at the file it opened).
//
//   vtnote-writer [OPTIONS] LOGS_FOLDER_OR_FILE LEVEL MESSAGE...   one record
//   vtnote-writer [OPTIONS] LOGS_FOLDER_OR_FILE -                  one "level|message" record per input line
//   vtnote-writer [OPTIONS] LOGS_FOLDER_OR_FILE --burst N [MS]     N numbered records, MS milliseconds apart
//
// Options, to be as slow or as odd as a busy host:
//   --open-ms MS     wait MS milliseconds between opening the file and writing
//   --close-ms MS    wait MS milliseconds between writing and closing
//   --pieces N       write each record in N pieces
//   --keep-open      open the file once and keep it open for all records of the run
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "NotesWriter.h"

using namespace cadro::standin;

namespace {

int Usage() {
  std::cerr << "usage: vtnote-writer [--open-ms MS] [--close-ms MS] [--pieces N] [--keep-open]\n"
               "                     LOGS_FOLDER_OR_FILE (LEVEL MESSAGE... | - | --burst N [MS])\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  WriteOptions options;
  bool keepOpen = false;
  int at = 1;
  for (; at < argc; ++at) {
    const std::string option = argv[at];
    if (option == "--keep-open") {
      keepOpen = true;
    } else if ((option == "--open-ms" || option == "--close-ms" || option == "--pieces") && at + 1 < argc) {
      const int value = std::atoi(argv[++at]);
      if (option == "--open-ms") options.afterOpen = std::chrono::milliseconds(value);
      if (option == "--close-ms") options.beforeClose = std::chrono::milliseconds(value);
      if (option == "--pieces") options.pieces = value;
    } else {
      break;
    }
  }
  if (argc - at < 2) return Usage();
  const std::string target = argv[at];
  const std::string file = std::filesystem::is_directory(target) ? NotesFileIn(target) : target;
  try {
    std::unique_ptr<HeldNotesFile> held;
    if (keepOpen) {
      held = std::make_unique<HeldNotesFile>(file);
      if (options.afterOpen.count() > 0) std::this_thread::sleep_for(options.afterOpen);
    }
    auto append = [&](const std::string& record) {
      if (held) {
        held->Append(record, options.pieces);
      } else {
        AppendNote(file, record, options);
      }
    };
    const std::string mode = argv[at + 1];
    if (mode == "-") {
      std::string line;
      while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) append(line + "\r\n");
      }
    } else if (mode == "--burst" && argc - at >= 3) {
      const int count = std::atoi(argv[at + 2]);
      const int pause = argc - at >= 4 ? std::atoi(argv[at + 3]) : 0;
      for (int i = 1; i <= count; ++i) {
        append(NoteRecord(i % 4, "Test notification " + std::to_string(i)));
        if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      }
    } else {
      std::string message;
      for (int i = at + 2; i < argc; ++i) message += (i > at + 2 ? " " : "") + std::string(argv[i]);
      append(NoteRecord(std::atoi(argv[at + 1]), message));
    }
    if (held) {
      if (options.beforeClose.count() > 0) std::this_thread::sleep_for(options.beforeClose);
      held->Close();
    }
  } catch (const std::exception& e) {
    std::cerr << "vtnote-writer: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
