#pragma once
// The operator's hand on the board: the vehicle dialog on a right click, moving vehicles
// by drag and drop, renaming stations. Every change reaches its file at once.

#include <QObject>
#include <functional>
#include <string>

#include "common/clock.h"
#include "common/page_change.h"
#include "storage/receiver_list.h"
#include "storage/settings.h"
#include "storage/station_names.h"
#include "storage/vehicle_table.h"

class QWidget;

namespace kub::ui {

class StatusBoard;

struct BoardEditorContext {
    VehicleTable& table;
    ReceiverLists& receivers;
    const Settings& settings;
    StationNames& stationNames;
    std::string programFolder;
    const Clock& clock;
    // Set when a change may show on the status page.
    PageChangeFlag& pageChange;
    std::function<void(const QString& fileName)> notWritten;
};

class BoardEditor : public QObject {
    Q_OBJECT
public:
    BoardEditor(BoardEditorContext context, StatusBoard* board, QWidget* dialogParent);

    // Right mouse button on tile k: "Eigenschaften", then the tile is drawn again.
    void editTile(int tile);
    void dropOnTile(int from, int to);
    void dropOnStation(int from, int station);
    // "Neuen Namen eingeben:"; an empty answer keeps the name.
    void renameStation(int station);

private:
    BoardEditorContext ctx_;
    StatusBoard* board_;
    QWidget* parent_;
};

}  // namespace kub::ui
