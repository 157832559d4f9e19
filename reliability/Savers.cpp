#include "Savers.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "CadroIni.h"
#include "CadroMsg.h"
#include "FileIO.h"
#include "FileLib.h"
#include "LaunchUpdate.h"
#include "VtInit.h"

namespace cadro::reliability {
namespace {

// Versions differ in length by several kilobytes, so a torn write shows as a wrong size as well
// as wrong bytes, and the rewrite takes long enough for a kill to land inside it.
std::string Filler(char c, std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += (i % 61 == 60) ? ' ' : static_cast<char>(c + i % 7);
  return text;
}

class ReportSaver final : public Saver {
public:
  ReportSaver(const std::string& folder, Services& services)
      : msg_(folder, services), target_(JoinPath(folder, "KD6ABC001.911")) {}
  const std::string& Target() const override { return target_; }
  bool Save(int version) override {
    msg_.Clear();
    msg_.SetEID("KD6ABC001");
    msg_.SetMID("ABC-001");
    msg_.SetTYP(version == 0 ? "MED" : "MED+FIRE");
    msg_.SetAD1("12 Harbour Road");
    msg_.SetDTL(version == 0 ? "Fall on stairs, conscious" : Filler('a', 12000));
    msg_.SetAST(version == 0 ? 6 : 2);
    return msg_.Fadd();
  }

private:
  CadroMsg msg_;
  std::string target_;
};

class StationSettingsSaver final : public Saver {
public:
  StationSettingsSaver(const std::string& folder, Services& services)
      : ini_(JoinPath(folder, "Cadrocts.ini"), services) {}
  const std::string& Target() const override { return ini_.path(); }
  bool Save(int version) override {
    StationSettings values;
    values.Nam = version == 0 ? "Dana Reyes" : Filler('A', 6000);
    values.Uid = "KD6ABC";
    values.Eno = version == 0 ? 101 : 102;
    ini_.SetValues(values);
    return ini_.WriteIni();
  }

private:
  CadroIni ini_;
};

class HostProfileSaver final : public Saver {
public:
  HostProfileSaver(const std::string& folder, Services& services)
      : services_(services), lib_(services.eventLog, folder), target_(JoinPath(folder, "Vantrel.profile")) {
    lib_.SetDataPath(folder);
  }
  const std::string& Target() const override { return target_; }
  bool Save(int version) override {
    // One object for the saver's life, as the viewer keeps one while it runs; every write merges
    // the changed values into what is on disk at that moment.
    if (!profile_) {
      profile_ = std::make_unique<VtInit>(lib_, services_, "3.4.0 c5", "Vtnotification");
      if (!profile_->StartClass("Vantrel.profile", "Vantrel")) {
        profile_.reset();
        return false;
      }
    }
    profile_->SetText(ProfileKey::City, version == 0 ? "Harbourview" : Filler('k', 8000));
    profile_->SetText(ProfileKey::UsrName, version == 0 ? "Dana" : "Dana Reyes");
    profile_->SaveProfile();
    return !profile_->Dirty();
  }

private:
  Services& services_;
  FileLib lib_;
  std::string target_;
  std::unique_ptr<VtInit> profile_;
};

class LaunchLocalSaver final : public Saver {
public:
  LaunchLocalSaver(const std::string& folder, const std::string& inputs, Services& services)
      : services_(services),
        inputs_(inputs),
        lib_(services.eventLog, folder),
        target_(JoinPath(folder, "Launch.local")) {}
  const std::string& Target() const override { return target_; }
  bool Save(int version) override {
    std::int16_t step = 0;
    addlaunch::LaunchUpdate update(
        JoinPath(inputs_, version == 0 ? "Sample-1.2.local" : "Sample-1.3.local"), lib_, services_.prompts,
        services_.eventLog, [](const std::string&) {}, step);
    const std::int16_t outcome = update.AddAddon(target_);
    lastOutcome_ = addlaunch::OutcomeText(outcome);
    return addlaunch::IsSuccessfulOutcome(outcome);
  }
  std::string LastOutcome() const override { return lastOutcome_; }
  void Seed() override {
    WriteFileAtomic(target_, "[Other-2.0]\r\nPath=C:\\Other\\Other.exe\r\n/ [EOA]\r\n");
  }

private:
  Services& services_;
  std::string inputs_;
  FileLib lib_;
  std::string target_;
  std::string lastOutcome_;
};

void WriteInput(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::string_view KindName(SaveKind kind) {
  switch (kind) {
    case SaveKind::Report: return "report";
    case SaveKind::StationSettings: return "ini";
    case SaveKind::HostProfile: return "profile";
    case SaveKind::LaunchLocal: return "launch";
  }
  return "?";
}

bool KindFromName(std::string_view name, SaveKind& kind) {
  for (SaveKind k : kAllKinds) {
    if (KindName(k) == name) {
      kind = k;
      return true;
    }
  }
  return false;
}

std::unique_ptr<Saver> MakeSaver(SaveKind kind, const std::string& folder, const std::string& inputs,
                                 Services& services) {
  switch (kind) {
    case SaveKind::Report: return std::make_unique<ReportSaver>(folder, services);
    case SaveKind::StationSettings: return std::make_unique<StationSettingsSaver>(folder, services);
    case SaveKind::HostProfile: return std::make_unique<HostProfileSaver>(folder, services);
    case SaveKind::LaunchLocal: return std::make_unique<LaunchLocalSaver>(folder, inputs, services);
  }
  return nullptr;
}

void PrepareInputs(SaveKind kind, const std::string& inputs) {
  if (kind != SaveKind::LaunchLocal) return;
  // Two revisions of one add-on, the newer with a longer block, and another add-on's block that
  // every rewrite must keep.
  WriteInput(JoinPath(inputs, "Sample-1.2.local"),
             "[Sample-1.2]\r\nPath=C:\\Sample\\Sample.exe\r\nMenu=Sample\r\n/ [EOA]\r\n");
  std::string newer = "[Sample-1.3]\r\nPath=C:\\Sample\\Sample.exe\r\nMenu=Sample\r\n";
  for (int i = 0; i < 80; ++i) newer += "Opt" + std::to_string(i) + "=" + Filler('m', 60) + "\r\n";
  newer += "/ [EOA]\r\n";
  WriteInput(JoinPath(inputs, "Sample-1.3.local"), newer);
}

std::vector<std::string> TemporariesOf(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path path(target);
  const std::string prefix = "." + path.filename().string() + ".";
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(path.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(it->path().string());
  }
  return found;
}

}  // namespace cadro::reliability
