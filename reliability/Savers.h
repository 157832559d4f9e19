#pragma once
// The four whole-file rewrites an operator's station depends on, each driven through the code the
// programs themselves use, so a test can make them fail or kill them half-way and look at what is
// left: a report (CadroMsg::Fadd), the station settings (CadroIni::WriteIni), the host profile
// (VtInit::Write) and the host's Launch.local (the Addlaunch install of one of two revisions).
//
// Each saver knows two versions of its file. Save(0) and Save(1) write them; saving one version
// over the other gives the same bytes every time, so a test can compare whole files.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace cadro::reliability {

enum class SaveKind { Report, StationSettings, HostProfile, LaunchLocal };

inline constexpr SaveKind kAllKinds[] = {SaveKind::Report, SaveKind::StationSettings, SaveKind::HostProfile,
                                         SaveKind::LaunchLocal};

std::string_view KindName(SaveKind kind);
bool KindFromName(std::string_view name, SaveKind& kind);

class Saver {
public:
  virtual ~Saver() = default;
  // The file the saves replace.
  virtual const std::string& Target() const = 0;
  // Writes version 0 or 1. False when the program's own failure report was made (through the
  // services the saver was given).
  virtual bool Save(int version) = 0;
  // Lays down what the target holds before the first save, when the program finds it already
  // there (another add-on's registration in Launch.local). Nothing for the others.
  virtual void Seed() {}
  // What the loader window would show for the last save ("Result = 61" for a full disk); the
  // other programs report through their event log and boxes and leave this empty.
  virtual std::string LastOutcome() const { return {}; }
};

// A saver working in `folder` (which must exist). The folder holds the target and nothing else
// the saver writes; inputs the saver reads (the add-on's loader files) live in `inputs`, which
// PrepareInputs fills.
std::unique_ptr<Saver> MakeSaver(SaveKind kind, const std::string& folder, const std::string& inputs,
                                 Services& services);
void PrepareInputs(SaveKind kind, const std::string& inputs);

// The leftovers of interrupted rewrites of `target`: the hidden temporary files beside it.
std::vector<std::string> TemporariesOf(const std::string& target);

}  // namespace cadro::reliability
