#pragma once
// Whole-file reads and crash-safe whole-file rewrites. Every file the suite shares with the host
// is read whole and written whole; a rewrite goes to a temporary file in the same folder and is
// renamed over the old one, so a crash, a full disk or a failed write leaves the old file or the
// new one, never neither.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace cadro {

// The whole file as bytes. Throws RunError (53 missing, 76 no folder, 70 no access, 75 other).
std::string ReadWholeFile(const std::string& path);

// Replaces (or creates) `path` with `bytes`. A target that exists but cannot be written fails
// with 70 before anything is touched, as the original delete-then-write did. Throws RunError;
// on any failure the temporary file is removed and the target is as it was.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// Appends `bytes` to `path`, creating the file when missing. Throws RunError.
void AppendToFile(const std::string& path, std::string_view bytes);

// True when the path names something the file system can describe (file or folder).
bool PathExists(const std::string& path);

// The folder of the running executable.
std::string ProgramFolder();

// Joins a folder and a name with the platform's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// Test hook: called before each chunk of an atomic write with the bytes written so far; returning
// false makes that write fail as a full disk would. Empty in production.
using WriteFaultHook = std::function<bool(std::size_t writtenSoFar)>;
void SetWriteFaultHookForTests(WriteFaultHook hook);

}  // namespace cadro
