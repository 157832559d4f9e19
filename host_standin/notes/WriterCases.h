#pragma once
// The ways the host writes its notes file, as cases the tests and the latency benchmark run
// against the viewer: quick appends, the file held open before and after the write, a record in
// pieces, several writers at once, and a writer that keeps the file open for a long time and
// appends now and then. Each case writes numbered notes "<prefix><n>" (level 1), n = 1..count.

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "NotesWriter.h"

namespace cadro::standin {

struct WriterCase {
  std::string name;
  std::chrono::milliseconds afterOpen{0};
  std::chrono::milliseconds beforeClose{0};
  int pieces = 1;
  std::chrono::milliseconds betweenPieces{0};
  int writers = 1;  // at least this many write at once (more when the holds need them)
  // One writer keeps the file open this long and spreads all notes over it; 0: a file per note.
  std::chrono::milliseconds keptOpen{0};
};

// Plain (0 ms), held 5, 50, 500 and 2,000 ms before and after the write, in pieces, several
// writers, and the file kept open for `keptOpen`.
std::vector<WriterCase> HostWriterCases(std::chrono::milliseconds keptOpen);

struct WriterResult {
  // For note n at [n - 1]: when the writer was done with it (its close came back; for a file
  // kept open, its last piece was written).
  std::vector<Steady::time_point> done;
  // For note n at [n - 1]: when its last byte was written.
  std::vector<Steady::time_point> written;
  // Notes written while the writer's file was no longer the notes file: it was taken away from a
  // writer that still held it, and what it wrote there goes nowhere.
  int takenWhileHeld = 0;
  std::string error;  // a write that failed, if any
};

// Writes `count` notes under `writerCase` into `notesFile`, with as many writers at once as keep
// the case within about `target`. `seed` varies the pauses between notes.
WriterResult RunWriterCase(const std::string& notesFile, const WriterCase& writerCase, int count,
                           const std::string& prefix, std::chrono::milliseconds target, unsigned seed);

}  // namespace cadro::standin
