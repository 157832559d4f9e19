// vtnote-writer: appends notification records to Vtnote.dat as the host does.
//
//   vtnote-writer LOGS_FOLDER_OR_FILE LEVEL MESSAGE...   one record
//   vtnote-writer LOGS_FOLDER_OR_FILE -                  one "level|message" record per input line
//   vtnote-writer LOGS_FOLDER_OR_FILE --burst N [MS]     N numbered records, MS milliseconds apart
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "NotesWriter.h"

using namespace cadro::standin;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr
        << "usage: vtnote-writer LOGS_FOLDER_OR_FILE LEVEL MESSAGE...\n"
           "       vtnote-writer LOGS_FOLDER_OR_FILE -          (records \"level|message\" from stdin)\n"
           "       vtnote-writer LOGS_FOLDER_OR_FILE --burst N [MS]\n";
    return 2;
  }
  const std::string target = argv[1];
  const std::string file = std::filesystem::is_directory(target) ? NotesFileIn(target) : target;
  try {
    const std::string mode = argv[2];
    if (mode == "-") {
      std::string line;
      while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) AppendNote(file, line + "\r\n");
      }
    } else if (mode == "--burst" && argc >= 4) {
      const int count = std::atoi(argv[3]);
      const int pause = argc >= 5 ? std::atoi(argv[4]) : 0;
      for (int i = 1; i <= count; ++i) {
        AppendNote(file, NoteRecord(i % 4, "Test notification " + std::to_string(i)));
        if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      }
    } else {
      std::string message;
      for (int i = 3; i < argc; ++i) message += (i > 3 ? " " : "") + std::string(argv[i]);
      AppendNote(file, NoteRecord(std::atoi(argv[2]), message));
    }
  } catch (const std::exception& e) {
    std::cerr << "vtnote-writer: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
