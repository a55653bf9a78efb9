#pragma once
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <utility>

class CDeviceSurvey;

// `sonvale-cli devices --json`: one object with the JACK implementation reached ("jack": implementation,
// library, how it was chosen and its key) and the devices with their ports, as the text shows them.
// `windowConsole` is the device and port the window writes to (WindowConsole), if any.
void WriteDevicesJson(const CDeviceSurvey& survey, std::optional<std::pair<std::size_t, std::size_t>> windowConsole,
                      std::ostream& out);
