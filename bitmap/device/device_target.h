#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "language/language.h"

namespace pressling {

// The device an output is made for: Palm OS 4 and older, whose deepest screen
// mode has screenDepth bits. Palm OS before 5 never reads what lies behind the
// high-density marker, and on a screen of depth d draws the deepest bitmap of
// the chain whose depth is at most d.
struct DeviceTarget {
  std::uint8_t screenDepth = 16;  // 1, 2, 4, 8, or 16 for any screen
};

// Every target in the order front ends offer them: any screen first, then 8, 4, 2 and 1 bits.
std::span<const DeviceTarget> DeviceTargets();

// "os4" for any screen, else "os4:N"; the same in every language.
std::string DeviceTargetName(const DeviceTarget& target);
// The target a name gives ("os4", "os4:1", "os4:2", "os4:4", "os4:8"); nothing for any other text.
std::optional<DeviceTarget> ParseDeviceTarget(std::string_view name);
// The names ParseDeviceTarget takes, separated by ", ".
std::string DeviceTargetNames();

// The target in words a user knows, such as "Palm OS 4 and older, 16 greys", in language.
std::string DeviceTargetText(const DeviceTarget& target, const Language& language);
// The line after the four report lines of a run made for target, in language.
std::string DeviceReportLine(const DeviceTarget& target, const Language& language);
// What an output made for a device is and is not for, in language; shown wherever the target is chosen.
std::string DeviceTargetNote(const Language& language);

}  // namespace pressling
