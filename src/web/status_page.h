#pragma once
// "status.html": the first station page of the board, the latest ZVEI and POCSAG
// receptions and a legend of the status colours, as a static page for a web server.

#include <cstdint>
#include <string>
#include <vector>

#include "common/clock.h"

namespace kub {

// "#RRGGBB" from a colour value 0x00BBGGRR (a system colour goes through the same rule).
std::string htmlColour(std::int32_t colour);

struct StatusPageTile {
    std::string kennung;
    std::string rufname;
    int status = 0;
};

struct StatusPageInput {
    int columns = 10;
    int rows = 20;
    // Slots 0..columns*rows-1 of the first station page (fewer are drawn empty).
    std::vector<StatusPageTile> tiles;
    // Status colour table, entry s-1 for status s.
    std::vector<std::int32_t> statusColours;
    // TAB-separated rows of the ZVEI and POCSAG tables, newest first.
    std::vector<std::string> zveiRows;
    std::vector<std::string> pocsagRows;
};

// The page's lines, without line ends.
std::vector<std::string> statusPageLines(const StatusPageInput& input, const LocalTime& now);

// Writes "status.html" into the program folder; false when it cannot be written.
bool writeStatusPage(const std::string& programFolder, const StatusPageInput& input,
                     const LocalTime& now);

}  // namespace kub
