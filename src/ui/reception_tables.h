#pragma once
// The "Listenansicht" tab: the FMS table `Grid`, the ZVEI table `Grid_Z` and the POCSAG
// table `Grid_P`. Row 0 of each is its header; the newest reception is row 1. Which
// tables show, and how high, follows the decoder switches.

#include <QTableWidget>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/reception_window.h"
#include "ui/twips.h"

namespace kub::ui {

struct TableArrangement {
    bool zveiShown = false, pocsagShown = false;
    int fmsHeight = 0;
    int zveiTop = 0, zveiHeight = 0;
    int pocsagTop = 0, pocsagHeight = 0;
};
// Heights and tops in twips for the switches: ZVEI on either channel (z), POCSAG on
// either channel (p).
TableArrangement arrangeTables(bool z, bool p);

constexpr int kFmsTableTop = 480;
constexpr int kPocsagTableWidth = 14385;

class ReceptionTables : public QWidget {
    Q_OBJECT
public:
    ReceptionTables(Twips twips, QWidget* parent);

    QTableWidget* table(ReceptionTable t) const { return tables_[static_cast<std::size_t>(t)]; }

    // Header row included, as the reception handling counts.
    int rowCount(ReceptionTable t) const { return table(t)->rowCount() + 1; }
    void setRowCount(ReceptionTable t, int rows);
    void insertRow(ReceptionTable t, const std::string& row);
    void setCellColour(ReceptionTable t, int row, int column, QColor colour);
    // A row another receiver site reported: its site as the row's tooltip.
    void setRowSite(ReceptionTable t, int row, const QString& site);
    // The newest row with this text (among the newest hundred) names all its sources.
    void setRowSites(ReceptionTable t, const std::string& rowText, const QString& sites);
    // Row r (1 = newest) as the TAB-separated text it was inserted with, an SDR channel's
    // cell ("Kanal FW-Nord 172.34 MHz") included.
    std::string rowText(ReceptionTable t, int row) const;
    std::vector<std::string> rowTexts(ReceptionTable t) const;

    void arrange(bool z, bool p);
    // On every window resize: FMS and ZVEI tables take the inner width − 1000.
    void setInnerWidth(int innerWidthTwips);

private:
    void place();
    // The "Kanal" column's index, the column added when it is not there yet.
    int channelColumn(ReceptionTable t);
    // Row r without its channel cell: the reception's row as its record has it.
    std::string receptionText(ReceptionTable t, int row) const;
    // Widens `column` to show `text` whole, within its limit.
    void fitColumn(ReceptionTable t, int column, const QString& text);

    Twips twips_;
    std::array<QTableWidget*, 3> tables_{};
    TableArrangement arrangement_ = arrangeTables(false, false);
    int innerWidth_ = 15000;
};

}  // namespace kub::ui
