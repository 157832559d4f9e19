#pragma once
// One host profile ("<name>.profile" in the host data folder): loaded into members, handed out
// through accessors with the host's rules, written back when something changed.
//
// The profile is the host's file. A rewrite starts from the file as it is on disk at that moment
// and replaces only the values this object changed since it loaded them, so keys a newer host
// added and changes the host made meanwhile survive; keys missing from the file are added to
// their sections. A profile that does not exist yet is written whole in the host's layout. Every
// rewrite is atomic.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileLib.h"
#include "Platform.h"
#include "ProfileKeys.h"

namespace cadro {

class VtInit {
public:
  // `programVersion` is the Version a new profile gets ("3.4.0 c5"); `programTitle` titles the
  // message boxes of failure reports.
  VtInit(FileLib& fileLib, const Services& services, std::string programVersion, std::string programTitle);
  ~VtInit();
  VtInit(const VtInit&) = delete;
  VtInit& operator=(const VtInit&) = delete;

  // Loads `profileToLoad` from the data folder (creating it with defaults when missing). True
  // when the class started without an error of its own.
  bool StartClass(const std::string& profileToLoad, const std::string& profileName);
  void SetDefaults();
  void Read();
  void Write();
  void SaveProfile() { Write(); }
  void ReloadProfile() { Read(); }
  // Copies the profile file to "<newName>.profile" in the data folder.
  bool IniCopyTo(const std::string& newName);
  // Writes the profile when it changed; the owner calls this at unload (the destructor does it
  // for an owner that forgot).
  void Release();

  const std::string& ProfileName() const { return profileName_; }
  const std::string& FileName() const { return fileName_; }  // local path
  bool Dirty() const { return dirty_; }
  bool NewProfile() const { return newProfile_; }
  int Step() const { return step_; }
  const std::string& LastError() const { return lastError_; }

  // Accessors with each key's rules. Reading a key that has no reader, or setting one that has no
  // setter, is a programming error (std::logic_error). Number setters reject values outside the
  // key's type with RunError 6.
  std::string Text(ProfileKey key);
  void SetText(ProfileKey key, std::string_view value);
  std::int32_t Number(ProfileKey key) const;
  void SetNumber(ProfileKey key, std::int32_t value);
  bool Flag(ProfileKey key) const;
  void SetFlag(ProfileKey key, bool value);

  // What the notification window uses.
  std::string DirLogs() { return Text(ProfileKey::DirLogs); }
  std::int32_t PlayOnNotif() const { return Number(ProfileKey::PlayOnNotif); }
  std::string FilePON() { return Text(ProfileKey::FilePON); }

  // TacID when TCnPEnabled is 1, else UsrID.
  std::string EffectiveID() const;
  // The current LocalMsgNum; a non-zero number then advances by one (0 stays 0).
  std::int32_t NextLocalMsgNum();

  // Two values of the object that no key stores.
  std::int16_t SpareNumber() const { return spareNumber_; }
  void SetSpareNumber(std::int16_t value);
  const std::string& SpareText() const { return spareText_; }
  void SetSpareText(std::string_view value);

  // The member as held, without any accessor rule (for tests and diagnostics).
  const std::string& RawText(ProfileKey key) const { return text_[Index(key)]; }

  // The whole profile in the host's layout, as a new file gets it.
  std::string Layout() const;

private:
  static std::size_t Index(ProfileKey key) { return static_cast<std::size_t>(key); }
  std::string ValueText(std::size_t index) const;
  void Store(std::size_t index, const std::string& value);  // loading: converts, may raise
  void MarkChanged(std::size_t index);
  std::string Merge(const std::string& onDisk) const;
  void Report(const std::string& operation, const std::string& logOperation, const std::string& verb);

  FileLib& fileLib_;
  EventLog& eventLog_;
  Prompts& prompts_;
  UserLocale& locale_;
  std::string programVersion_;
  std::string programTitle_;

  std::vector<std::string> text_;
  std::vector<std::int32_t> number_;
  std::bitset<kProfileKeyCount> changed_;
  std::string profileName_;
  std::string fileName_;
  bool dirty_ = false;
  bool newProfile_ = false;
  bool released_ = false;
  int step_ = 0;
  std::string lastError_;
  std::string missingFolder_;  // set by a write that found no folder, for its report
  std::int16_t spareNumber_ = 0;
  std::string spareText_;
};

}  // namespace cadro
