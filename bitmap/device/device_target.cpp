#include "bitmap/device/device_target.h"

#include <array>

namespace pressling {

namespace {

constexpr std::array<DeviceTarget, 5> kTargets = {
    DeviceTarget{16}, DeviceTarget{8}, DeviceTarget{4}, DeviceTarget{2}, DeviceTarget{1},
};

}  // namespace

std::span<const DeviceTarget> DeviceTargets() { return kTargets; }

std::string DeviceTargetName(const DeviceTarget& target) {
  if (target.screenDepth >= 16) return "os4";
  return "os4:" + std::to_string(target.screenDepth);
}

std::optional<DeviceTarget> ParseDeviceTarget(std::string_view name) {
  for (const DeviceTarget& target : kTargets)
    if (DeviceTargetName(target) == name) return target;
  return std::nullopt;
}

std::string DeviceTargetNames() {
  std::string names;
  for (const DeviceTarget& target : kTargets) names += (names.empty() ? "" : ", ") + DeviceTargetName(target);
  return names;
}

std::string DeviceTargetText(const DeviceTarget& target, const Language& language) {
  switch (target.screenDepth) {
    case 1:
      // TRANSLATORS: a device target: Palm OS 4 or older on a screen of 1 bit per pixel.
      return language.Tr("Palm OS 4 and older, black and white");
    case 2:
      // TRANSLATORS: a device target: Palm OS 4 or older on a screen of 2 bits per pixel.
      return language.Tr("Palm OS 4 and older, 4 greys");
    case 4:
      // TRANSLATORS: a device target: Palm OS 4 or older on a screen of 4 bits per pixel.
      return language.Tr("Palm OS 4 and older, 16 greys");
    case 8:
      // TRANSLATORS: a device target: Palm OS 4 or older on a screen of 8 bits per pixel.
      return language.Tr("Palm OS 4 and older, 256 colours");
    default:
      // TRANSLATORS: a device target: Palm OS 4 or older on any screen, up to 16 bits per pixel.
      return language.Tr("Palm OS 4 and older, any screen");
  }
}

std::string DeviceReportLine(const DeviceTarget& target, const Language& language) {
  // TRANSLATORS: the line after the report of a run made for a device; %s is the target, such as
  // "Palm OS 4 and older, 4 greys".
  return language.Trf("For: %s", {DeviceTargetText(target, language)});
}

std::string DeviceTargetNote(const Language& language) {
  return language.Tr(
      "An output made for a device is for Palm OS 4 and older: on a Palm OS 5 device it still runs but shows "
      "low-density pictures, scaled.");
}

}  // namespace pressling
