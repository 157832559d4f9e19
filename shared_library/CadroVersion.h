#pragma once
// The version the call-taking program and the report printer show in captions and log headers
// and write into the "Version=" lines of their files. It comes from the CMake project version.

#ifndef CADRO_PROGRAM_VERSION
#error "CADRO_PROGRAM_VERSION is set by shared_library/CMakeLists.txt"
#endif

namespace cadro {
inline constexpr const char* kProgramVersion = CADRO_PROGRAM_VERSION;
}  // namespace cadro
