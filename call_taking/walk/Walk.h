#pragma once
// Random walks through the station: operator actions and faults of the world drawn at random,
// and after every step the rules that must always hold. A walk is a list of steps; the same
// list gives the same walk, so a failing one can be shrunk and pasted into a test.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace cadro::walk {

struct Step {
  std::string op;
  int a = 0;
  int b = 0;
  std::string text;
  std::uint32_t seed = 0;  // the answers of the boxes shown during the step
};

// What broke, and where.
struct Finding {
  std::string rule;  // a short name of the rule ("stored-text", "form-locked" ...)
  std::string detail;
  int step = -1;  // index of the step after which it was seen
};

struct WalkOptions {
  int promptWaitMs = 1500;      // the delivery's bound for the server's answer
  std::set<std::string> known;  // rules that may break for now: reported, not failing
  bool verbose = false;         // print every step as it runs
};

// Draws `count` steps from `seed`.
std::vector<Step> DrawWalk(std::uint32_t seed, int count);

// Runs the steps on a fresh station. Returns the first finding whose rule is not known (rules
// in `options.known` are appended to `knownSeen` and the walk goes on); nothing when every rule
// held. `why` is set and nothing is run when the station cannot be set up here.
struct WalkResult {
  std::vector<Finding> failures;  // at most one: the walk stops there
  std::vector<Finding> knownSeen;
  int stepsRun = 0;
  std::string skipped;
  // How far the walk got into the paths that matter, so a soak shows what it covered.
  std::map<std::string, int> reached;
};
WalkResult RunWalk(const std::vector<Step>& steps, const WalkOptions& options);

// The shortest sub-list of `steps` found (by deleting steps and re-running) that still breaks
// the rule `rule`, within `budgetMs` of re-running.
std::vector<Step> Shrink(std::vector<Step> steps, const std::string& rule, const WalkOptions& options,
                         int budgetMs);

// The steps as C++ text, ready to paste into a test: {{"Save", 0, 0, "", 7}, ...}.
std::string PasteableSteps(const std::vector<Step>& steps);

}  // namespace cadro::walk
