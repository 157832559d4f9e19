#pragma once
// What must hold for every Launch.local and loader file, however rough: the fuzz target and the
// seeded walk over generated files both check it.

#include <string>
#include <string_view>

namespace cadro::addlaunch::testing {

// Runs the install and the removal of `loader` on `launch` (the plans, no files) and returns what
// went wrong, or "" when everything held:
// - every block of another add-on (its header up to its "/ [EOA]" line, or up to the next header
//   line when it has none) is in the result byte for byte, in its order; a rewrite only drops its
//   empty lines and ends its lines with CR LF, a first install keeps it exactly;
// - every other line that belongs to no block of this add-on is kept (a stray line is kept, never
//   dropped as a guess);
// - after an install the add-on has one block, of this revision; after a removal none of it;
// - LF, CR and CR LF read alike, and only CR LF is written.
// A loader without a usable header is no case (the update refuses it before reading anything).
std::string LaunchUpdateViolation(std::string_view loader, std::string_view launch);

}  // namespace cadro::addlaunch::testing
