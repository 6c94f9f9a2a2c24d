#include "ui/move_vehicle.h"

namespace kub::ui {

namespace {

constexpr const char* kAskMove = "Fahrzeug nach hier verschieben ?";

void saveBoth(MoveContext& ctx, int target, int source) {
    if (!saveVehicleTable(ctx.programFolder, ctx.table) && ctx.notWritten) ctx.notWritten(QStringLiteral("Fzg.txt"));
    for (int slot : {target, source}) {
        const VehicleRecord& rec = ctx.table.vehicleTable[static_cast<std::size_t>(slot)];
        if (!writeStatusFile(ctx.programFolder, ctx.table, slot, rec.statusTime) && ctx.notWritten)
            ctx.notWritten(QStringLiteral("Status/%1.txt").arg(slot));
    }
}

bool validSlot(const VehicleTable& t, int slot) {
    return slot >= 0 && static_cast<std::size_t>(slot) < t.vehicleTable.size();
}

}  // namespace

bool moveWithinStation(MoveContext& ctx, int station, int from, int to) {
    if (to == from) return false;
    const int per = ctx.table.tilesPerStation();
    const int target = station * per + to;
    const int source = station * per + from;
    if (from < 0 || to < 0 || from >= per || to >= per || !validSlot(ctx.table, target) ||
        !validSlot(ctx.table, source))
        return false;
    VehicleRecord& t = ctx.table.vehicleTable[static_cast<std::size_t>(target)];
    VehicleRecord& f = ctx.table.vehicleTable[static_cast<std::size_t>(source)];
    if (!t.rufname.empty()) {
        ctx.message(QStringLiteral("Feld ist besetzt"));
        return false;
    }
    if (f.rufname.empty()) {
        ctx.message(QStringLiteral("Leeres Feld kann nicht verschoben werden"));
        return false;
    }
    if (!ctx.ask(QString::fromUtf8(kAskMove))) return false;
    t = f;
    f.rufname.clear();
    f.eigenschaft.clear();
    f.kennung.clear();
    f.status = 5;
    f.tki = 0;
    // Both status files follow the move, as on a move to another station: otherwise the
    // next start would give the moved vehicle the target slot's old status.
    saveBoth(ctx, target, source);
    return true;
}

bool moveToStation(MoveContext& ctx, int fromStation, int from, int toStation) {
    if (toStation == fromStation) {
        ctx.message(QStringLiteral("Verschieben in gleiche Ebene nicht möglich"));
        return false;
    }
    const int per = ctx.table.tilesPerStation();
    const int source = fromStation * per + from;
    if (from < 0 || from >= per || toStation < 0 || toStation >= kStations || !validSlot(ctx.table, source))
        return false;
    int target = -1;
    for (int k = 0; k < per; ++k) {
        const int slot = toStation * per + k;
        if (!validSlot(ctx.table, slot)) break;
        if (!ctx.table.vehicleTable[static_cast<std::size_t>(slot)].rufname.empty()) continue;
        if (ctx.ask(QString::fromUtf8(kAskMove))) {
            target = slot;
            break;
        }
    }
    if (target < 0) return false;
    VehicleRecord& t = ctx.table.vehicleTable[static_cast<std::size_t>(target)];
    VehicleRecord& f = ctx.table.vehicleTable[static_cast<std::size_t>(source)];
    t = f;
    f.rufname.clear();
    f.eigenschaft.clear();
    f.kennung.clear();
    f.status = 6;
    f.tki = 0;
    f.statusTime = ctx.nowText;
    saveBoth(ctx, target, source);
    return true;
}

}  // namespace kub::ui
