#pragma once
// The cell that names an SDR channel at the end of a reception's day log line and web board
// row: "Kanal FW-Nord 172.34 MHz". Sound-card receptions have none, so their lines stay as
// they always were. No comma and no TAB in it (a day log line is cut at its first comma
// when it is read back, and TABs part the cells); the frequency to the hertz.

#include <cstdint>
#include <string>
#include <string_view>

namespace kub {

// Empty when `frequency` is 0 (the sound card).
std::string channelCell(const std::string& channel, std::int64_t frequency);
// The cell without its leading "Kanal ": "FW-Nord 172.34 MHz", for a column headed "Kanal".
std::string channelLabel(const std::string& channel, std::int64_t frequency);
// Name and frequency from such a cell; false when the cell is none.
bool readChannelCell(std::string_view cell, std::string& channel, std::int64_t& frequency);

}  // namespace kub
