#include "AgeMarks.h"

#include <algorithm>
#include <charconv>

#include "StringLib.h"

namespace cadro::aids {
namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kReadyKey = "StuckReadyMinutes";
constexpr const char* kDraftKey = "StuckDraftMinutes";

std::string TwoDigits(int n) {
  return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

int StoredLimit(const SettingsStore& store, const std::string& app, const char* key, int fallback) {
  const std::optional<std::string> text = store.Get(app, kSection, key);
  if (!text) return fallback;
  const std::string_view t = TrimSpaces(*text);
  int value = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || end != t.data() + t.size()) return fallback;
  return std::clamp(value, kSmallestAgeLimit, kLargestAgeLimit);
}

}  // namespace

std::int64_t ReportMinute(std::string_view adt, std::string_view atm) {
  return DateTimeSortKey(DateTimeText(adt, atm));
}

std::int64_t MinuteOf(const LocalTime& t) {
  const std::string adt = TwoDigits(t.year % 100) + TwoDigits(t.month) + TwoDigits(t.day);
  const std::string atm = TwoDigits(t.hour) + TwoDigits(t.minute);
  return ReportMinute(adt, atm);
}

AgeMark MarkFor(int state, std::int64_t savedMinute, std::int64_t nowMinute, const AgeLimits& limits) {
  if (savedMinute <= 0 || nowMinute < savedMinute) return AgeMark::None;
  const std::int64_t waited = nowMinute - savedMinute;
  if (state == folder::kReady && waited > limits.readyMinutes) return AgeMark::ReadyTooLong;
  if (state == folder::kDraft && waited > limits.draftMinutes) return AgeMark::DraftTooLong;
  return AgeMark::None;
}

StuckCount CountStuck(const std::vector<IncidentRow>& reports, std::int64_t nowMinute,
                      const AgeLimits& limits) {
  StuckCount count;
  for (const IncidentRow& r : reports) {
    switch (MarkFor(r.state, ReportMinute(r.adt, r.atm), nowMinute, limits)) {
      case AgeMark::ReadyTooLong: ++count.ready; break;
      case AgeMark::DraftTooLong: ++count.draft; break;
      case AgeMark::None: break;
    }
  }
  return count;
}

std::string StuckText(const StuckCount& count, const AgeLimits& limits) {
  std::string text;
  if (count.ready > 0) {
    text = std::to_string(count.ready) + " waiting over " + std::to_string(limits.readyMinutes) + " min";
  }
  if (count.draft > 0) {
    if (!text.empty()) text += ", ";
    text += std::to_string(count.draft) + (count.draft == 1 ? " draft" : " drafts") + " over " +
            std::to_string(limits.draftMinutes) + " min";
  }
  return text;
}

AgeLimits ReadAgeLimits(const SettingsStore& store, const std::string& app) {
  const AgeLimits defaults;
  return {StoredLimit(store, app, kReadyKey, defaults.readyMinutes),
          StoredLimit(store, app, kDraftKey, defaults.draftMinutes)};
}

void WriteAgeLimits(SettingsStore& store, const std::string& app, const AgeLimits& limits) {
  store.Set(app, kSection, kReadyKey,
            std::to_string(std::clamp(limits.readyMinutes, kSmallestAgeLimit, kLargestAgeLimit)));
  store.Set(app, kSection, kDraftKey,
            std::to_string(std::clamp(limits.draftMinutes, kSmallestAgeLimit, kLargestAgeLimit)));
}

}  // namespace cadro::aids
