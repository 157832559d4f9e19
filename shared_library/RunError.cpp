#include "RunError.h"

#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>

namespace cadro {

std::string ErrorDescription(int number) {
  switch (number) {
    case err::kInvalidArgument: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kOutOfMemory: return "Out of memory";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kBadFileNameOrNumber: return "Bad file name or number";
    case err::kFileNotFound: return "File not found";
    case err::kFileAlreadyOpen: return "File already open";
    case err::kFileAlreadyExists: return "File already exists";
    case err::kDiskFull: return "Disk full";
    case err::kPermissionDenied: return "Permission denied";
    case err::kPathFileAccess: return "Path/File access error";
    case err::kPathNotFound: return "Path not found";
    default: return "Application-defined or object-defined error";
  }
}

RunError::RunError(long num, std::string desc, std::string src)
    : std::runtime_error(std::to_string(num) + ", " + desc),
      number(num),
      description(std::move(desc)),
      source(std::move(src)) {}

std::string RunError::NumberAndDescription() const {
  return std::to_string(number) + ", " + description;
}

RunError MakeRunError(int number, std::string source) {
  return RunError(number, ErrorDescription(number), std::move(source));
}

RunError CurrentRunError() {
  try {
    throw;
  } catch (const RunError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return MakeRunError(err::kOutOfMemory);
  } catch (...) {
    return MakeRunError(err::kInvalidArgument);
  }
}

RunError CurrentRunError(int otherNumber) {
  try {
    throw;
  } catch (const RunError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return MakeRunError(err::kOutOfMemory);
  } catch (const std::exception& e) {
    return RunError(otherNumber, e.what());
  } catch (...) {
    return MakeRunError(otherNumber);
  }
}

RunError ErrorFromErrno(int e, const std::string& path, std::string source) {
  int number = err::kPathFileAccess;
  switch (e) {
    case ENOENT: {
      std::error_code ec;
      const auto parent = std::filesystem::path(path).parent_path();
      const bool parentThere = parent.empty() || std::filesystem::is_directory(parent, ec);
      number = parentThere ? err::kFileNotFound : err::kPathNotFound;
      break;
    }
    case ENOTDIR: number = err::kPathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: number = err::kPermissionDenied; break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: number = err::kDiskFull; break;
    case ENAMETOOLONG:
    case EINVAL: number = err::kBadFileNameOrNumber; break;
    case EEXIST: number = err::kFileAlreadyExists; break;
    case ENOMEM: number = err::kOutOfMemory; break;
    default: break;
  }
  return MakeRunError(number, std::move(source));
}

}  // namespace cadro
