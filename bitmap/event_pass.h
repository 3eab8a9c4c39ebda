#pragma once

#include <functional>

namespace pressling {

// Called once per bitmap, resource or entry so that a window can handle its
// pending events during a long run. Returns false to ask the run to stop.
// An empty EventPass does nothing and never stops the run.
using EventPass = std::function<bool()>;

// Makes one event pass; false when the caller asked the run to stop.
inline bool PassEvents(const EventPass& eventPass) { return !eventPass || eventPass(); }

}  // namespace pressling
