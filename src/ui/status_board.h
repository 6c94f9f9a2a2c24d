#pragma once
// The "Fahrzeugansicht" tab: the station bar (`ctFrame3`, 30 buttons `label8` in three
// rows of ten, the shown station's button down) and the board area (`ctFrame2`) with
// the pool of 200 tiles `FXLabel1` and the info strip under them.

#include <QFrame>
#include <QPushButton>
#include <array>
#include <vector>

#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"
#include "ui/board_model.h"
#include "ui/twips.h"

class QButtonGroup;
class QLabel;

namespace kub::ui {

class TileWidget;

constexpr int kTilePool = 200;

class StatusBoard : public QWidget {
    Q_OBJECT
public:
    StatusBoard(VehicleTable& table, const Settings& settings, Twips twips, QWidget* parent);

    // Board font of the layout code in force (an unknown code keeps the last one).
    void setLayout(BoardLayout layout);
    void setStationNames(const StationNames& names);
    // The caption of station i's button: its name, or "Wache N" (counted from 1) while it
    // has none, as on the web board, so no button is blank.
    void setStationName(int station, const QString& name);

    int currentStation() const { return currentStation_; }
    void selectStation(int station);

    // Redraws tiles 0 .. tilesPerStation-1 of the current station.
    void update_label();
    // Redraws one tile of the current station.
    void update_labelx(int tile);

    // Widths and heights in twips, from the window's resize rules.
    void arrange(int barWidth, int boardHeight);
    // Places tiles 0 .. tilesPerStation-1 in the board area; the rest are hidden.
    void layoutTiles();

    // Mouse over (or click on) tile k: the info strip shows its slot from now on and is
    // filled again at every redraw, so it never shows a status the vehicle no longer has.
    void showSlotDetails(int tile);
    // The tile the info strip follows; -1 for none.
    int shownTile() const { return shownTile_; }

    TileWidget* tile(int k) const { return tiles_[static_cast<std::size_t>(k)]; }
    QPushButton* stationButton(int i) const { return stationButtons_[static_cast<std::size_t>(i)]; }
    QLabel* infoField(int i) const { return infoFields_[static_cast<std::size_t>(i)]; }
    QFrame* stationBar() const { return stationBar_; }
    QFrame* boardArea() const { return boardArea_; }
    // Shown over the board while no slot holds a vehicle or a heading.
    QLabel* emptyHint() const { return emptyHint_; }

signals:
    // Right mouse button on tile k of the current station.
    void propertiesRequested(int tile);
    // Tile `from` of the current station dropped on tile `to` of it.
    void tileDroppedOnTile(int from, int to);
    // Tile `from` of the current station dropped on a station button.
    void tileDroppedOnStation(int from, int station);
    // Any button but the left one on a station button.
    void renameRequested(int station);

private:
    void layoutStationButtons();
    void layoutInfoStrip();
    void fillInfoStrip();
    void drawTile(int tile);
    void followEmptyHint();

    VehicleTable& table_;
    const Settings& settings_;
    Twips twips_;
    BoardFont font_{10, false};
    int currentStation_ = 0;
    int shownTile_ = -1;
    QFrame* stationBar_;
    QFrame* boardArea_;
    QButtonGroup* stationGroup_;
    std::array<QPushButton*, kStationCount> stationButtons_{};
    std::array<TileWidget*, kTilePool> tiles_{};
    std::array<QLabel*, 5> infoHeaders_{};
    std::array<QLabel*, 5> infoFields_{};
    QLabel* emptyHint_ = nullptr;
};

}  // namespace kub::ui
