#pragma once
// CadroMsg: one incident report in memory and its ".911" file in the message folder.
//
//   CadroMsg msg(messageFolder, services);   // messageFolder = JoinPath(ProgramFolder(), "msg.d")
//   msg.Clear();                             // texts "", numbers 0 (RPC, CON, BRE, AST included)
//   msg.SetEID("AB1C26341"); msg.SetTYP("MED+LAW"); msg.SetAST(6); ...
//   bool saved  = msg.Fadd();                // writes <folder>/<EID>.911, replacing atomically
//   auto added  = msg.FaddNew();             // the same, but never over an existing report
//   bool loaded = msg.Load(" AB1C26341 ");   // the ID is trimmed; false, silently, when the ID
//                                            // is blank or the file is missing (record unchanged)
//   std::string ok = msg.Fdelete(id, state); // "-1" or "0"; state 8 removes the file, any other
//                                            // state rewrites it with AST=8
//   std::string ids = msg.BuildFileList();   // event IDs joined by CR LF, "" when none
//
// Properties: one getter and one setter per key (TYP() / SetTYP(v), ... AST() / SetAST(n)). Text
// properties trim spaces when set and when read; the stored value is what Load found, so Fadd
// writes it back as it was. CON, BRE and AST are signed 16-bit and stored unchanged. RPC has a
// getter only: it is 0 after Clear, takes the file's value on Load and is written back by Fadd.
//
// A failed Load, Fadd or Fdelete has already told the user (an error entry through EventLog and
// an OK box through Prompts) by the time it returns; callers only look at the result. An event
// ID that is not a plain file name ("", ".", "..", anything holding "/", "\" or NUL) is refused
// that way too, so no operation ever reaches outside the message folder.
//
// The object is a reusable cursor: the list loads one file after another into the same
// instance. An instance is used by one thread at a time; the list's reader owns one of its own.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Platform.h"

namespace cadro {

struct RunError;

class CadroMsg {
public:
  CadroMsg(std::string messageFolder, Services& services);

  void Clear();
  bool Load(std::string_view eventId);
  bool Fadd();
  // The first save of a new report: like Fadd, but a file already there under the EID is never
  // replaced; Taken then, and nothing is written or reported, so the caller can pick another ID.
  enum class AddResult { Written, Taken, Failed };
  AddResult FaddNew();
  std::string Fdelete(std::string_view eventId, int state);
  std::string BuildFileList();
  // Why the last failed Load, Fadd or Fdelete failed, as its box said ("75 Path/File access error").
  const std::string& LastError() const { return lastError_; }

  // BuildFileList's event IDs one at a time, as the folder gives them, for a reader that reads
  // the files itself and need not wait for the whole list.
  void ForEachEventId(const std::function<void(std::string_view eventId)>& each);
  // Load for a reader that fetched the file's bytes itself (the list reads them away from the
  // window): the bytes are taken as the file `eventId` held them, and a failure is reported as
  // Load reports it. The record is cleared first.
  bool LoadBytes(std::string_view eventId, std::string_view bytes);

  const std::string& MessageFolder() const { return folder_; }

  // The 29 keys in the order the file holds them (the section lines aside).
  static const std::array<std::string_view, 29>& Keys();

  // True when `eventId` (already trimmed) can be used as a file name in the message folder.
  static bool IsPlainEventId(std::string_view eventId);

  // clang-format off
  std::string TYP() const { return Text(kTYP); }  void SetTYP(std::string_view v) { SetText(kTYP, v); }
  std::string EID() const { return Text(kEID); }  void SetEID(std::string_view v) { SetText(kEID, v); }
  std::string MID() const { return Text(kMID); }  void SetMID(std::string_view v) { SetText(kMID, v); }
  std::string ISS() const { return Text(kISS); }  void SetISS(std::string_view v) { SetText(kISS, v); }
  std::string AD1() const { return Text(kAD1); }  void SetAD1(std::string_view v) { SetText(kAD1, v); }
  std::string CTY() const { return Text(kCTY); }  void SetCTY(std::string_view v) { SetText(kCTY, v); }
  std::string AD2() const { return Text(kAD2); }  void SetAD2(std::string_view v) { SetText(kAD2, v); }
  std::string LAS() const { return Text(kLAS); }  void SetLAS(std::string_view v) { SetText(kLAS, v); }
  std::string DTL() const { return Text(kDTL); }  void SetDTL(std::string_view v) { SetText(kDTL, v); }
  std::string RPN() const { return Text(kRPN); }  void SetRPN(std::string_view v) { SetText(kRPN, v); }
  std::string RPA() const { return Text(kRPA); }  void SetRPA(std::string_view v) { SetText(kRPA, v); }
  std::string RPP() const { return Text(kRPP); }  void SetRPP(std::string_view v) { SetText(kRPP, v); }
  std::string AGE() const { return Text(kAGE); }  void SetAGE(std::string_view v) { SetText(kAGE, v); }
  std::string GDR() const { return Text(kGDR); }  void SetGDR(std::string_view v) { SetText(kGDR, v); }
  std::string PIN() const { return Text(kPIN); }  void SetPIN(std::string_view v) { SetText(kPIN, v); }
  std::string PDE() const { return Text(kPDE); }  void SetPDE(std::string_view v) { SetText(kPDE, v); }
  std::string WEA() const { return Text(kWEA); }  void SetWEA(std::string_view v) { SetText(kWEA, v); }
  std::string DOT() const { return Text(kDOT); }  void SetDOT(std::string_view v) { SetText(kDOT, v); }
  std::string VDE() const { return Text(kVDE); }  void SetVDE(std::string_view v) { SetText(kVDE, v); }
  std::string VDP() const { return Text(kVDP); }  void SetVDP(std::string_view v) { SetText(kVDP, v); }
  std::string VDS() const { return Text(kVDS); }  void SetVDS(std::string_view v) { SetText(kVDS, v); }
  std::string UID() const { return Text(kUID); }  void SetUID(std::string_view v) { SetText(kUID, v); }
  std::string ULO() const { return Text(kULO); }  void SetULO(std::string_view v) { SetText(kULO, v); }
  std::string ADT() const { return Text(kADT); }  void SetADT(std::string_view v) { SetText(kADT, v); }
  std::string ATM() const { return Text(kATM); }  void SetATM(std::string_view v) { SetText(kATM, v); }

  std::int16_t CON() const { return con_; }  void SetCON(std::int16_t v) { con_ = v; }
  std::int16_t BRE() const { return bre_; }  void SetBRE(std::int16_t v) { bre_ = v; }
  std::int16_t AST() const { return ast_; }  void SetAST(std::int16_t v) { ast_ = v; }
  std::int16_t RPC() const { return rpc_; }
  // clang-format on

private:
  enum TextField {
    kTYP,
    kEID,
    kMID,
    kISS,
    kAD1,
    kCTY,
    kAD2,
    kLAS,
    kDTL,
    kRPN,
    kRPA,
    kRPP,
    kAGE,
    kGDR,
    kPIN,
    kPDE,
    kWEA,
    kDOT,
    kVDE,
    kVDP,
    kVDS,
    kUID,
    kULO,
    kADT,
    kATM,
    kTextFieldCount
  };
  enum class Operation { Load, Fadd, Fdelete };
  enum class LoadResult { Loaded, Missing, Failed };

  std::string Text(TextField f) const;
  void SetText(TextField f, std::string_view v);
  std::string PathFor(std::string_view eventId) const;
  std::string Compose() const;
  bool SaveTo(const std::string& path);
  LoadResult LoadFrom(const std::string& path);
  bool Parse(const std::string& path, std::string_view bytes);
  void Assign(std::string_view key, std::string_view value, bool hasValue);
  void ReportFailure(Operation op, const std::string& path, const RunError& error);

  std::string folder_;
  Services& services_;
  std::array<std::string, kTextFieldCount> text_{};
  std::int16_t rpc_ = 0;
  std::int16_t con_ = 0;
  std::int16_t bre_ = 0;
  std::int16_t ast_ = 0;
  int step_ = 0;
  std::string lastError_;
};

// The whole number of an Integer field as the file holds it: spaces around it are allowed, a
// fraction is rounded half to even. Throws RunError 13 (not a number) or 6 (outside -32768..32767).
std::int16_t ParseInteger16(std::string_view text);

}  // namespace cadro
