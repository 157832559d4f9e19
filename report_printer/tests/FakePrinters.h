#pragma once
// Printers for tests: a list of names, one current printer whose settings start from each
// printer's defaults, optional settings it rejects, and every printed page recorded with the
// printer and settings it went to.

#include <map>
#include <set>

#include "PrinterModel.h"
#include "RecordingTarget.h"

namespace cadro::testing {

struct PrintedPage {
  std::string printer;
  std::map<PrinterSetting, int> settings;
  RecordingTarget page;
};

class FakePrinters final : public Printers {
public:
  explicit FakePrinters(std::vector<std::string> names = {}, std::string defaultName = {})
      : names_(std::move(names)), default_(std::move(defaultName)) {
    if (!default_.empty()) MakeCurrent(default_);
  }
  std::vector<std::string> InstalledPrinters() const override { return names_; }
  std::string DefaultPrinter() const override { return default_; }
  std::string CurrentPrinter() const override { return current_; }
  void MakeCurrent(const std::string& name) override {
    current_ = name;
    settings_ = {{PrinterSetting::Orientation, 1},
                 {PrinterSetting::Copies, 1},
                 {PrinterSetting::Duplex, 1},
                 {PrinterSetting::PaperSize, 9},
                 {PrinterSetting::ColourMode, 2}};
  }
  std::optional<int> Get(PrinterSetting s) const override {
    const auto it = settings_.find(s);
    return it == settings_.end() ? std::nullopt : std::optional<int>(it->second);
  }
  bool Set(PrinterSetting s, int value) override {
    if (rejected.count(s)) return false;
    settings_[s] = value;
    return true;
  }
  std::string PrintPage(const std::function<void(DrawingTarget&)>& draw) override {
    if (!failWith.empty()) return failWith;
    PrintedPage& p = pages.emplace_back();
    p.printer = current_;
    p.settings = settings_;
    draw(p.page);
    return {};
  }

  std::vector<PrintedPage> pages;
  std::set<PrinterSetting> rejected;
  std::string failWith;

private:
  std::vector<std::string> names_;
  std::string default_;
  std::string current_;
  std::map<PrinterSetting, int> settings_;
};

}  // namespace cadro::testing
