#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <stdexcept>

#include "FileIO.h"
#include "RunError.h"
#include "TestKit.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::WriteFileBytes;

namespace {
int CountEntries(const TempDir& dir) {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}
long ErrorNumberOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RunError& e) {
    return e.number;
  }
  return 0;
}
}  // namespace

TEST(WriteFileAtomic, CreatesAndReplacesWithoutLeftovers) {
  TempDir dir;
  const std::string f = dir.File("a.txt");
  WriteFileAtomic(f, "one\r\n");
  EXPECT_EQ(ReadFileBytes(f), "one\r\n");
  ::chmod(f.c_str(), 0640);
  WriteFileAtomic(f, "two\r\n");
  EXPECT_EQ(ReadFileBytes(f), "two\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "a rewrite keeps the file's permissions";
  EXPECT_EQ(CountEntries(dir), 1);
}

TEST(WriteFileAtomic, FailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string f = dir.File("a.txt");
  WriteFileBytes(f, "old contents");
  SetWriteFaultHookForTests([](std::size_t written) { return written == 0; });
  const std::string big(200 * 1024, 'x');
  EXPECT_EQ(ErrorNumberOf([&] { WriteFileAtomic(f, big); }), err::kDiskFull);
  SetWriteFaultHookForTests(nullptr);
  EXPECT_EQ(ReadFileBytes(f), "old contents");
  EXPECT_EQ(CountEntries(dir), 1) << "the temporary file is removed";
}

TEST(WriteFileAtomic, ReadOnlyTargetFailsAndStaysUnchanged) {
  // Holds for root too (CI runs as root): the missing write bit is what counts.
  TempDir dir;
  const std::string f = dir.File("ro.txt");
  WriteFileBytes(f, "keep");
  ::chmod(f.c_str(), 0444);
  EXPECT_EQ(ErrorNumberOf([&] { WriteFileAtomic(f, "new"); }), err::kPermissionDenied);
  EXPECT_EQ(ReadFileBytes(f), "keep");

  const std::string g = dir.File("sub/new.txt");
  std::filesystem::create_directory(dir.File("sub"));
  ::chmod(dir.File("sub").c_str(), 0555);
  EXPECT_EQ(ErrorNumberOf([&] { WriteFileAtomic(g, "new"); }), err::kPermissionDenied);
  EXPECT_FALSE(PathExists(g));
}

TEST(FileErrors, MapToClassicNumbers) {
  TempDir dir;
  EXPECT_EQ(ErrorNumberOf([&] { ReadWholeFile(dir.File("missing.txt")); }), err::kFileNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { ReadWholeFile(dir.File("no/such/file.txt")); }), err::kPathNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { WriteFileAtomic(dir.File("no/such/file.txt"), "x"); }), err::kPathNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { ReadWholeFile(dir.str()); }), err::kPathFileAccess);
}

// The system's reasons reach the operator as the numbers the host documents: a full quota must
// read as a full disk and a refused access as one, not as a vague access error.
TEST(FileErrors, EachSystemReasonHasItsClassicNumber) {
  TempDir dir;
  const std::map<int, long> numbers{{ENOTDIR, err::kPathNotFound},
                                    {EACCES, err::kPermissionDenied},
                                    {EPERM, err::kPermissionDenied},
                                    {EROFS, err::kPermissionDenied},
                                    {ETXTBSY, err::kPermissionDenied},
                                    {ENOSPC, err::kDiskFull},
                                    {EDQUOT, err::kDiskFull},
                                    {EFBIG, err::kDiskFull},
                                    {ENAMETOOLONG, err::kBadFileNameOrNumber},
                                    {EINVAL, err::kBadFileNameOrNumber},
                                    {EEXIST, err::kFileAlreadyExists},
                                    {ENOMEM, err::kOutOfMemory},
                                    {EIO, err::kPathFileAccess},
                                    {EBUSY, err::kPathFileAccess}};
  for (const auto& [errnoValue, number] : numbers) {
    const RunError e = ErrorFromErrno(errnoValue, dir.File("f.txt"), "Fadd");
    EXPECT_EQ(e.number, number) << "errno " << errnoValue;
    EXPECT_EQ(e.description, ErrorDescription(static_cast<int>(number)));
    EXPECT_EQ(e.source, "Fadd");
  }
  EXPECT_EQ(ErrorFromErrno(ENOENT, dir.File("f.txt")).number, err::kFileNotFound);
  EXPECT_EQ(ErrorFromErrno(ENOENT, dir.File("gone/f.txt")).number, err::kPathNotFound);
  EXPECT_EQ(ErrorFromErrno(ENOENT, "f.txt").number, err::kFileNotFound)
      << "a bare name is in the current folder";
}

TEST(AppendToFile, CreatesThenAppends) {
  TempDir dir;
  const std::string f = dir.File("log.txt");
  AppendToFile(f, "a\r\n");
  AppendToFile(f, "b\r\n");
  EXPECT_EQ(ReadFileBytes(f), "a\r\nb\r\n");
  EXPECT_TRUE(PathExists(f));
  EXPECT_TRUE(PathExists(dir.str()));
  EXPECT_FALSE(PathExists(dir.File("nope")));
  EXPECT_FALSE(PathExists(""));
}

TEST(ReadWholeFile, ReadsEverySizeWhole) {
  TempDir dir;
  for (const std::size_t size : {0u, 1u, 4096u, 4097u, 300000u}) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 1);
    WriteFileBytes(dir.File("f"), bytes);
    EXPECT_EQ(ReadWholeFile(dir.File("f")), bytes) << size;
  }
  // Files whose size the system does not know in advance come in whole too.
  const std::string status = ReadWholeFile("/proc/self/status");
  EXPECT_NE(status.find("Name:"), std::string::npos);
  EXPECT_EQ(status.back(), '\n');
}

// What a failure report quotes for whatever was thrown: a RunError as it is, out of memory as 7,
// and anything else as the number the caller's layer uses for it.
TEST(CurrentRunError, EveryKindOfThrowBecomesANumberAndAText) {
  const auto caught = [](const std::function<void()>& thrower, auto convert) {
    try {
      thrower();
    } catch (...) {
      return convert();
    }
    return RunError(0, "nothing thrown");
  };
  const auto plain = [] { return CurrentRunError(); };
  const auto fileAccess = [] { return CurrentRunError(err::kPathFileAccess); };
  const auto runError = [] { throw MakeRunError(err::kDiskFull, "Fadd"); };
  const auto noMemory = [] { throw std::bad_alloc(); };
  const auto standard = [] { throw std::runtime_error("bad header"); };
  const auto other = [] { throw 42; };

  for (const auto& e : {caught(runError, plain), caught(runError, fileAccess)}) {
    EXPECT_EQ(e.NumberAndDescription(), "61, Disk full");
    EXPECT_EQ(e.source, "Fadd");
  }
  EXPECT_EQ(caught(noMemory, plain).NumberAndDescription(), "7, Out of memory");
  EXPECT_EQ(caught(noMemory, fileAccess).NumberAndDescription(), "7, Out of memory");

  EXPECT_EQ(caught(standard, plain).number, err::kInvalidArgument);
  EXPECT_EQ(caught(standard, fileAccess).NumberAndDescription(), "75, bad header");
  EXPECT_EQ(caught(other, plain).number, err::kInvalidArgument);
  EXPECT_EQ(caught(other, fileAccess).NumberAndDescription(), "75, Path/File access error");
}
