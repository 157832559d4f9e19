#include "WriterCases.h"

#include <algorithm>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

namespace cadro::standin {

using std::chrono::milliseconds;

std::vector<WriterCase> HostWriterCases(milliseconds keptOpen) {
  std::vector<WriterCase> cases;
  for (const int hold : {0, 5, 50, 500, 2000}) {
    WriterCase held;
    held.name = hold == 0 ? "plain" : "held " + std::to_string(hold) + " ms";
    held.afterOpen = held.beforeClose = milliseconds(hold);
    cases.push_back(held);
  }
  WriterCase pieces;
  pieces.name = "in pieces";
  pieces.pieces = 4;
  pieces.betweenPieces = milliseconds(3);
  cases.push_back(pieces);
  WriterCase several;
  several.name = "several writers";
  several.afterOpen = several.beforeClose = milliseconds(10);
  several.writers = 8;
  cases.push_back(several);
  WriterCase kept;
  kept.name = "kept open";
  kept.keptOpen = keptOpen;
  kept.pieces = 2;
  kept.betweenPieces = milliseconds(2);
  cases.push_back(kept);
  return cases;
}

namespace {

std::string Record(const std::string& prefix, int n) {
  return NoteRecord(1, prefix + std::to_string(n));
}

void KeptOpen(const std::string& notesFile, const WriterCase& c, int count, const std::string& prefix,
              unsigned seed, WriterResult& result) {
  std::mt19937 random(seed);
  const auto spacing = c.keptOpen / std::max(1, count);
  HeldNotesFile file(notesFile);
  for (int n = 1; n <= count; ++n) {
    std::this_thread::sleep_for(
        milliseconds(std::uniform_int_distribution<long>(0, std::max<long>(1, 2 * spacing.count()))(random)));
    // Every third note in pieces, so a line is sometimes only half there when it is read.
    result.done[static_cast<std::size_t>(n - 1)] = result.written[static_cast<std::size_t>(n - 1)] =
        file.Append(Record(prefix, n), n % 3 == 0 ? c.pieces : 1, c.betweenPieces);
    if (!file.StillTheNotesFile()) ++result.takenWhileHeld;
  }
  file.Close();
}

}  // namespace

WriterResult RunWriterCase(const std::string& notesFile, const WriterCase& c, int count,
                           const std::string& prefix, milliseconds target, unsigned seed) {
  WriterResult result;
  result.done.resize(static_cast<std::size_t>(count));
  result.written.resize(static_cast<std::size_t>(count));
  try {
    if (c.keptOpen.count() > 0) {
      KeptOpen(notesFile, c, count, prefix, seed, result);
      return result;
    }
  } catch (const std::exception& e) {
    result.error = e.what();
    return result;
  }
  // Enough writers at once that the holds fit the target; each pauses 0-20 ms between notes so
  // the writes fall at every phase of the reader.
  const auto perNote = c.afterOpen + c.beforeClose + c.betweenPieces * (c.pieces - 1) + milliseconds(10);
  const long needed = (count * perNote.count() + target.count() - 1) / std::max<long>(1, target.count());
  // Pieces of records written at once by two writers would mix: a record in pieces has one writer.
  const int writers = c.pieces > 1 ? 1 : static_cast<int>(std::clamp<long>(needed, c.writers, 200));
  std::atomic<int> next{1};
  std::atomic<int> taken{0};
  std::mutex errorMutex;
  std::vector<std::thread> threads;
  for (int w = 0; w < writers; ++w) {
    threads.emplace_back([&, w] {
      std::mt19937 random(seed * 131 + static_cast<unsigned>(w));
      for (int n = next++; n <= count; n = next++) {
        try {
          std::this_thread::sleep_for(milliseconds(std::uniform_int_distribution<int>(0, 20)(random)));
          HeldNotesFile file(notesFile);
          if (c.afterOpen.count() > 0) std::this_thread::sleep_for(c.afterOpen);
          result.written[static_cast<std::size_t>(n - 1)] =
              file.Append(Record(prefix, n), c.pieces, c.betweenPieces);
          if (c.beforeClose.count() > 0) std::this_thread::sleep_for(c.beforeClose);
          if (!file.StillTheNotesFile()) ++taken;
          result.done[static_cast<std::size_t>(n - 1)] = file.Close();
        } catch (const std::exception& e) {
          const std::lock_guard<std::mutex> lock(errorMutex);
          if (result.error.empty()) result.error = e.what();
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  result.takenWhileHeld = taken;
  return result;
}

}  // namespace cadro::standin
