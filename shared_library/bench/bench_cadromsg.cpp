// How long the incident list takes to read a full message folder: BuildFileList plus Load of
// every report, against a bare loop that only opens and reads the same files. The ratio shows
// what our listing and parsing add on top of the file system.
//
//   bench_cadromsg [files=10000] [rounds=5]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CadroMsg.h"
#include "FileIO.h"
#include "StringLib.h"
#include "TestKit.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// A report with every field filled, as the entry form would save it.
void Fill(cadro::CadroMsg& m, int n) {
  char id[32];
  std::snprintf(id, sizeof id, "KD7X26%05d", n);
  m.Clear();
  m.SetTYP(n % 3 == 0 ? "MED+FIRE+LAW+LGOV" : "MED");
  m.SetEID(id);
  m.SetMID(std::string("KD7X-") + std::to_string(n));
  m.SetISS("Fall from a ladder in the back yard");
  m.SetAD1("1234 North Main Street");
  m.SetCTY("Springfield");
  m.SetAD2("Apartment 4B, cross street Elm");
  m.SetLAS("-15");
  m.SetDTL("Caller is a neighbour\\nPatient lying on the grass, responsive\\nLadder about 3 m");
  m.SetRPN("Ann Smith");
  m.SetRPA("1236 North Main Street");
  m.SetRPP("555-0101");
  m.SetAGE("67");
  m.SetGDR("F");
  m.SetCON(1);
  m.SetBRE(1);
  m.SetPIN("No");
  m.SetPDE("Tall, red coat");
  m.SetWEA("None seen");
  m.SetDOT("North on Elm");
  m.SetVDE("Blue sedan");
  m.SetVDP("ABC123");
  m.SetVDS("OR");
  m.SetUID("KD7X");
  m.SetULO("EOC West");
  m.SetAST(static_cast<std::int16_t>(n % 2 == 0 ? 6 : 9));
  m.SetADT("261207");
  m.SetATM("0830");
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  const std::string folder = dir.str();

  // Two reports are saved by Fadd (one of each shape); the rest are copies under their own IDs,
  // because 10,000 durable saves would take the set-up longer than the measurement.
  cadro::CadroMsg writer(folder, ts.services);
  std::string shapes[2];
  for (int i = 0; i < 2; ++i) {
    Fill(writer, i);
    if (!writer.Fadd()) return 1;
    shapes[i] = cadro::testing::ReadFileBytes(cadro::JoinPath(folder, writer.EID() + ".911"));
  }
  const std::string firstId[2] = {"KD7X2600000", "KD7X2600001"};
  for (int i = 2; i < files; ++i) {
    const int shape = i % 3 == 0 ? 0 : 1;
    char id[32];
    std::snprintf(id, sizeof id, "KD7X26%05d", i);
    std::string bytes = shapes[shape];
    bytes.replace(bytes.find(firstId[shape]), firstId[shape].size(), id);
    cadro::testing::WriteFileBytes(cadro::JoinPath(folder, std::string(id) + ".911"), bytes);
  }
  ::sync();  // keep the write-back of the new files out of the timed reads

  std::vector<std::string> paths;
  {
    cadro::CadroMsg lister(folder, ts.services);
    const std::string list = lister.BuildFileList();
    std::string_view rest = list;
    while (!rest.empty()) paths.push_back(cadro::JoinPath(folder, cadro::GetLine(rest) + ".911"));
  }
  if (static_cast<int>(paths.size()) != files) {
    std::fprintf(stderr, "listed %zu of %d files\n", paths.size(), files);
    return 1;
  }

  double bestOurs = 1e300;
  double bestBare = 1e300;
  long checksum = 0;
  for (int r = 0; r < rounds; ++r) {
    // The bare loop: open, read to the end, close.
    const auto bareStart = Clock::now();
    char buf[4096];
    for (const std::string& p : paths) {
      const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return 1;
      for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) checksum += n;
      ::close(fd);
    }
    bestBare = std::min(bestBare, Ms(Clock::now() - bareStart));

    // What the list window does: list the folder, then load each report into one record.
    const auto oursStart = Clock::now();
    cadro::CadroMsg msg(folder, ts.services);
    const std::string list = msg.BuildFileList();
    std::string_view rest = list;
    int loaded = 0;
    while (!rest.empty()) {
      if (msg.Load(cadro::GetLine(rest))) ++loaded;
      checksum += msg.AST();
    }
    bestOurs = std::min(bestOurs, Ms(Clock::now() - oursStart));
    if (loaded != files) {
      std::fprintf(stderr, "loaded %d of %d files\n", loaded, files);
      return 1;
    }
  }

  std::printf("files: %d, best of %d rounds, warm cache (checksum %ld)\n", files, rounds, checksum);
  std::printf("BuildFileList + Load of every file: %9.2f ms (%.2f us per file)\n", bestOurs,
              bestOurs * 1000.0 / files);
  std::printf("open + read + close of every file:  %9.2f ms (%.2f us per file)\n", bestBare,
              bestBare * 1000.0 / files);
  std::printf("ratio: %.2f (goal: at most 2)\n", bestOurs / bestBare);
  return 0;
}
