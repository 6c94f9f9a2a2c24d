#include "ui/board_editor.h"

#include "common/time_text.h"
#include "ui/dialog_service.h"
#include "ui/move_vehicle.h"
#include "ui/status_board.h"
#include "ui/vehicle_dialog.h"

namespace kub::ui {

BoardEditor::BoardEditor(BoardEditorContext context, StatusBoard* board, QWidget* dialogParent)
    : QObject(board), ctx_(std::move(context)), board_(board), parent_(dialogParent) {
    connect(board_, &StatusBoard::propertiesRequested, this, &BoardEditor::editTile);
    // A drop is answered after the drag has ended: its questions must not stand in the
    // middle of the platform's drag and drop.
    connect(board_, &StatusBoard::tileDroppedOnTile, this, &BoardEditor::dropOnTile, Qt::QueuedConnection);
    connect(board_, &StatusBoard::tileDroppedOnStation, this, &BoardEditor::dropOnStation, Qt::QueuedConnection);
    connect(board_, &StatusBoard::renameRequested, this, &BoardEditor::renameStation);
}

void BoardEditor::editTile(int tile) {
    const int per = ctx_.table.tilesPerStation();
    if (tile < 0 || tile >= per) return;
    const int slot = board_->currentStation() * per + tile;
    if (static_cast<std::size_t>(slot) >= ctx_.table.vehicleTable.size()) return;
    VehicleDialog dialog(VehicleDialogContext{ctx_.table, ctx_.receivers, ctx_.settings, ctx_.programFolder,
                                              ctx_.clock, ctx_.notWritten},
                         slot, parent_);
    dialogs().exec(dialog);
    ctx_.pageChange.markPageChanged();
    board_->update_labelx(tile);
}

void BoardEditor::dropOnTile(int from, int to) {
    MoveContext m{ctx_.table, ctx_.programFolder, statusTimeText(ctx_.clock.now()),
                  [this](const QString& text) { dialogs().message(parent_, text, QString(), DialogIcon::None); },
                  [this](const QString& text) { return dialogs().question(parent_, text, QString()); },
                  ctx_.notWritten};
    if (!moveWithinStation(m, board_->currentStation(), from, to)) return;
    ctx_.pageChange.markPageChanged();
    board_->update_label();
}

void BoardEditor::dropOnStation(int from, int station) {
    MoveContext m{ctx_.table, ctx_.programFolder, statusTimeText(ctx_.clock.now()),
                  [this](const QString& text) { dialogs().message(parent_, text, QString(), DialogIcon::None); },
                  [this](const QString& text) { return dialogs().question(parent_, text, QString()); },
                  ctx_.notWritten};
    if (!moveToStation(m, board_->currentStation(), from, station)) return;
    ctx_.pageChange.markPageChanged();
    board_->update_label();
}

void BoardEditor::renameStation(int station) {
    if (station < 0 || station >= kStationCount) return;
    const QString name = dialogs().input(parent_, QStringLiteral("Neuen Namen eingeben:"), QString(), QString());
    if (name.isEmpty()) return;
    ctx_.stationNames[static_cast<std::size_t>(station)] = name.toStdString();
    if (!saveStationNames(ctx_.programFolder, ctx_.stationNames) && ctx_.notWritten)
        ctx_.notWritten(QStringLiteral("Wachen.txt"));
    board_->setStationName(station, name);
}

}  // namespace kub::ui
