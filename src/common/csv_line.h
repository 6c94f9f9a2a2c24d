#pragma once
// One line of a CSV file as German spreadsheets open it: cells separated by ';', a cell
// holding ';', a quote or a line break quoted, CR LF at the end.

#include <string>
#include <vector>

namespace kub {

std::string csvLine(const std::vector<std::string>& cells);

}  // namespace kub
