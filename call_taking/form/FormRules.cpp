#include "FormRules.h"

#include <stdexcept>

namespace cadro::form {
namespace {

constexpr std::array<const char*, kTypeCount> kTypeCodes{"MED", "FIRE", "LAW", "LGOV"};
constexpr std::array<const char*, kTypeCount> kPageCaptions{"  MEDICAL  ", "  FIRE  ", "  LAW  ",
                                                            "LOCAL GOV"};
constexpr const char* kPageMark = ">>";

}  // namespace

std::string BoxObjectName(BoxId box) {
  switch (box.group) {
    case BoxGroup::Header: return "txtHeader_" + std::to_string(box.index);
    case BoxGroup::Med: return "txtMed_" + std::to_string(box.index);
    case BoxGroup::Fire: return "txtFire_" + std::to_string(box.index);
    case BoxGroup::Law: return "txtLaw_" + std::to_string(box.index);
  }
  return {};
}

const std::string& FormContent::Text(BoxId box) const {
  switch (box.group) {
    case BoxGroup::Header: return header.at(static_cast<std::size_t>(box.index));
    case BoxGroup::Med: return med.at(static_cast<std::size_t>(box.index));
    case BoxGroup::Fire:
      if (box.index != 0) throw std::out_of_range("txtFire has one box");
      return fire;
    case BoxGroup::Law: return law.at(static_cast<std::size_t>(box.index));
  }
  throw std::out_of_range("unknown box group");
}

std::string& FormContent::Text(BoxId box) {
  return const_cast<std::string&>(static_cast<const FormContent&>(*this).Text(box));
}

bool FormContent::AnyTypeSelected() const {
  for (bool s : typeSelected)
    if (s) return true;
  return false;
}

std::vector<BoxId> AllBoxes() {
  std::vector<BoxId> boxes;
  for (int i : {0, 1, 2, 8, 3, 4, 5, 6, 7}) boxes.push_back({BoxGroup::Header, i});
  for (int i = 0; i < 2; ++i) boxes.push_back({BoxGroup::Med, i});
  boxes.push_back({BoxGroup::Fire, 0});
  for (int i = 0; i < 6; ++i) boxes.push_back({BoxGroup::Law, i});
  return boxes;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

std::optional<ButtonPlan> ButtonsForState(int state) {
  ButtonPlan plan;
  plan.saveCaption = "Save";
  switch (state) {
    case kStateNew:
      plan.stateCaption = "New Report";
      plan.deleteEnabled = plan.saveEnabled = plan.submitEnabled = true;
      return plan;
    case kStateReady:
      plan.stateCaption = "Ready, not Submitted";
      plan.deleteEnabled = plan.submitEnabled = true;
      return plan;
    case kStateDraft:
      plan.stateCaption = "Previously Saved Report";
      plan.deleteEnabled = plan.saveEnabled = plan.submitEnabled = true;
      return plan;
    case kStateDeleted: plan.stateCaption = "Deleted Report"; return plan;
    case kStateSubmitted:
      plan.stateCaption = "Submitted Report";
      plan.saveCaption = "Update";
      plan.saveUpdates = true;
      plan.deleteEnabled = plan.saveEnabled = true;
      return plan;
    default: return std::nullopt;
  }
}

std::vector<BoxId> ShadedBoxes() {
  return {{BoxGroup::Header, 0}, {BoxGroup::Header, 1}, {BoxGroup::Header, 8},
          {BoxGroup::Header, 3}, {BoxGroup::Header, 6}, {BoxGroup::Header, 7},
          {BoxGroup::Med, 0},    {BoxGroup::Med, 1},    {BoxGroup::Fire, 0}};
}

ValidationOutcome ValidateReport(const FormContent& content) {
  ValidationOutcome out;
  auto fail = [&out](BoxId box) {
    out.failedBoxes.push_back(box);
    out.focus = box;
    out.ok = false;
  };

  for (int i : {0, 1, 3, 6, 7, 8}) {
    const BoxId box{BoxGroup::Header, i};
    if (IsBlank(content.Text(box))) fail(box);
  }

  if (content.requestContact && IsBlank(content.header[4]) && IsBlank(content.header[5])) {
    out.failedBoxes.push_back({BoxGroup::Header, 5});
    fail({BoxGroup::Header, 4});
  }

  if (content.typeSelected[kTypeMed]) {
    for (int i = 0; i < 2; ++i) {
      const BoxId box{BoxGroup::Med, i};
      if (IsBlank(content.Text(box))) {
        fail(box);
        out.page = kTypeMed;
      }
    }
    if (content.conscious == -1) {
      out.consciousUnanswered = true;
      out.ok = false;
    }
    if (content.breathing == -1) {
      out.breathingUnanswered = true;
      out.ok = false;
    }
  }

  if (content.typeSelected[kTypeFire] && IsBlank(content.fire)) {
    fail({BoxGroup::Fire, 0});
    out.page = kTypeFire;
  }

  if (!content.AnyTypeSelected()) {
    out.noTypeSelected = true;
    out.focus = BoxId{BoxGroup::Header, 0};
    out.ok = false;
  }
  return out;
}

std::string NoEventTypeMessage() {
  return "No Event type selected.  Select either\r\n"
         "Medical, Fire, Law, or Local Gov,\r\n"
         "and then fill in the respective details.";
}

std::string PageCaption(int page, bool selected) {
  std::string caption = kPageCaptions.at(static_cast<std::size_t>(page));
  if (selected) caption += kPageMark;
  return caption;
}

std::string EventTypesText(const std::array<bool, kTypeCount>& selected) {
  std::string typ;
  for (int i = 0; i < kTypeCount; ++i) {
    if (!selected[static_cast<std::size_t>(i)]) continue;
    typ += kTypeCodes[static_cast<std::size_t>(i)];
    typ += '+';
  }
  if (!typ.empty()) typ.pop_back();
  return typ;
}

std::array<bool, kTypeCount> EventTypesFromText(std::string_view typ) {
  std::array<bool, kTypeCount> selected{};
  for (std::size_t i = 0; i < kTypeCodes.size(); ++i)
    selected[i] = typ.find(kTypeCodes[i]) != std::string_view::npos;
  return selected;
}

std::optional<int> SelectFirstEnabledTab(const std::array<bool, kTypeCount>& selected) {
  for (int i = 0; i < kTypeCount; ++i)
    if (selected[static_cast<std::size_t>(i)]) return i;
  return std::nullopt;
}

std::optional<int> PageAfterTypeToggle(const std::array<bool, kTypeCount>& selected, int pressed) {
  if (selected.at(static_cast<std::size_t>(pressed))) return pressed;
  return SelectFirstEnabledTab(selected);
}

}  // namespace cadro::form
