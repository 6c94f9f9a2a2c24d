#include "common/csv_line.h"

namespace kub {

namespace {

std::string csvCell(const std::string& s) {
    // A leading '=', '+', '-' or '@' would make a spreadsheet run the cell as a formula;
    // radio texts are anyone's, so such a cell gets a leading apostrophe.
    const bool formula = !s.empty() && (s[0] == '=' || s[0] == '+' || s[0] == '-' || s[0] == '@');
    if (!formula && s.find_first_of(";\"\r\n") == std::string::npos) return s;
    std::string q = formula ? "\"'" : "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

}  // namespace

std::string csvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) line += ';';
        line += csvCell(cells[i]);
    }
    return line + "\r\n";
}

}  // namespace kub
