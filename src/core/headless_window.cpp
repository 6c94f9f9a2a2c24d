#include "core/headless_window.h"

#include <algorithm>

namespace kub {

int HeadlessWindow::tableRowCount(ReceptionTable t) const { return rowCounts_[index(t)]; }

void HeadlessWindow::setTableRowCount(ReceptionTable t, int rows) {
    rows = std::max(rows, 1);
    auto& tab = tables_[index(t)];
    if (static_cast<std::size_t>(rows - 1) < tab.size()) tab.resize(static_cast<std::size_t>(rows - 1));
    rowCounts_[index(t)] = rows;
}

void HeadlessWindow::insertTableRow(ReceptionTable t, const std::string& row) {
    auto& tab = tables_[index(t)];
    tab.insert(tab.begin(), Row{row, {}});
    ++rowCounts_[index(t)];
    if (rowLimit_ >= 0 && tab.size() > static_cast<std::size_t>(rowLimit_))
        tab.resize(static_cast<std::size_t>(rowLimit_));
}

void HeadlessWindow::setTableCellColour(ReceptionTable t, int row, int column, std::uint32_t colour) {
    auto& tab = tables_[index(t)];
    if (row < 1 || static_cast<std::size_t>(row) > tab.size() || column < 0) return;
    auto& cells = tab[static_cast<std::size_t>(row - 1)].cellColours;
    if (cells.size() <= static_cast<std::size_t>(column))
        cells.resize(static_cast<std::size_t>(column) + 1, 0xFFFFFFFF);
    cells[static_cast<std::size_t>(column)] = colour;
}

int HeadlessWindow::alertLineCount(AlertList l) const {
    return static_cast<int>(alerts(l).lines.size());
}

void HeadlessWindow::clearAlertList(AlertList l) {
    list(l).lines.clear();
    list(l).selected = -1;
}

void HeadlessWindow::appendAlertLine(AlertList l, const std::string& line) {
    list(l).lines.push_back(line);
}

std::string HeadlessWindow::alertLine(AlertList l, int index) const {
    const auto& lines = alerts(l).lines;
    return index >= 0 && static_cast<std::size_t>(index) < lines.size() ? lines[static_cast<std::size_t>(index)]
                                                                          : std::string();
}

void HeadlessWindow::removeAlertLine(AlertList l, int index) {
    auto& state = list(l);
    if (index < 0 || static_cast<std::size_t>(index) >= state.lines.size()) return;
    state.lines.erase(state.lines.begin() + index);
    if (state.selected == index) state.selected = -1;
    else if (state.selected > index) --state.selected;
}

void HeadlessWindow::selectAlertLine(AlertList l, int i) { list(l).selected = i; }

void HeadlessWindow::setAlertListColour(AlertList l, std::uint32_t colour) { list(l).colour = colour; }

void HeadlessWindow::setMeters(int meanLeft, int peakLeft, int meanRight, int peakRight) {
    ++meterUpdates;
    lastMeters = {meanLeft, peakLeft, meanRight, peakRight};
}

void HeadlessWindow::receptionLine(const std::string& line) {
    if (recording_) receptionLines.push_back(line);
    if (onReceptionLine) onReceptionLine(line);
}

}  // namespace kub
