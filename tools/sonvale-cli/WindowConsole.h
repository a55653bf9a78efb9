#pragma once
#include <cstddef>
#include <optional>
#include <utility>

class CDeviceSurvey;

// The port of the console that the window of this user would write to, as device and port positions of
// the survey; none when there are not several consoles to choose from and the window's choice (File >
// Console, read from the user's preference file) is not missing either, or when none can be chosen.
[[nodiscard]] std::optional<std::pair<std::size_t, std::size_t>> WindowConsole(const CDeviceSurvey& survey);
