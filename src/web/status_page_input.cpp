#include "web/status_page_input.h"

namespace kub {

StatusPageInput statusPageInput(const VehicleTable& table, const Settings& settings,
                                std::vector<std::string> zveiRows,
                                std::vector<std::string> pocsagRows) {
    StatusPageInput in;
    in.columns = table.columns;
    in.rows = table.rows;
    const auto tiles = static_cast<std::size_t>(table.tilesPerStation());
    for (std::size_t i = 0; i < tiles && i < table.vehicleTable.size(); ++i) {
        const VehicleRecord& r = table.vehicleTable[i];
        in.tiles.push_back({r.kennung, r.rufname, r.status});
    }
    in.statusColours.assign(settings.statusColours.begin(), settings.statusColours.end());
    in.zveiRows = std::move(zveiRows);
    in.pocsagRows = std::move(pocsagRows);
    return in;
}

}  // namespace kub
