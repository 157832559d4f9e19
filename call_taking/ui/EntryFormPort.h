#pragma once
// The entry form as the list window sees it. The list window opens it for a new report or a
// stored one; the entry form asks the list to rebuild (frmCadromain::BuildNewMsgList) after it
// saves, deletes or submits a report.

#include <string>

namespace cadro {

class EntryFormPort {
public:
  virtual ~EntryFormPort() = default;
  // "NEW" opens a new report; anything else is the event ID ("Idx") of a stored report.
  virtual void StartForm(const std::string& eventRecord) = 0;
  // Forgets the last-used location and reporter; the list window calls it once at start-up.
  virtual void ClearLastUsed() {}
  // Closes the form as the program ends; false when it cannot close now (a delivery is running),
  // and the program then stays open.
  // When the form holds typing that is not stored, the operator is asked first (Save, Discard,
  // Cancel); Cancel, or a save that failed, keeps the program open too.
  virtual bool CloseForm() { return true; }
  // True while a report is being delivered to the host.
  virtual bool Delivering() const { return false; }
  // The event ID of the report under delivery (it must not be deleted meanwhile); empty when none.
  virtual std::string ReportUnderDelivery() const { return {}; }
};

}  // namespace cadro
