#pragma once
// Failures are reported the way the host and its documentation know them: a classic run-time
// error number with its description. One small type carries that through every layer.

#include <stdexcept>
#include <string>

namespace cadro {

namespace err {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kFileAlreadyExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
// Added to an error number when a host path helper passes an error up to its caller.
inline constexpr long kObjectErrorBase = -2147221504L;
}  // namespace err

// The classic description of a run-time error number ("File not found", ...).
std::string ErrorDescription(int number);

struct RunError : std::runtime_error {
  RunError(long number, std::string description, std::string source = {});
  long number;
  std::string description;
  std::string source;  // the operation that raised it, where one is named

  // "53, File not found": the text failure reports quote.
  std::string NumberAndDescription() const;
};

RunError MakeRunError(int number, std::string source = {});

// Inside a catch block: what was thrown, as the error a failure report quotes (out of memory as
// 7, anything else that is not a RunError as 5).
RunError CurrentRunError();

// The same for the host-file helpers: anything else is `otherNumber`, and a standard exception
// keeps its own text.
RunError CurrentRunError(int otherNumber);

// Maps an errno value from an operation on `path` onto the classic numbers. A missing file
// whose folder is missing too is "Path not found", as on the original platform.
RunError ErrorFromErrno(int errnoValue, const std::string& path, std::string source = {});

}  // namespace cadro
