#pragma once
// Gathers what the status page shows from the shared data: the first station page of the
// vehicle table, the status colours and the newest ZVEI and POCSAG rows.

#include <string>
#include <vector>

#include "storage/settings.h"
#include "storage/vehicle_table.h"
#include "web/status_page.h"

namespace kub {

StatusPageInput statusPageInput(const VehicleTable& table, const Settings& settings,
                                std::vector<std::string> zveiRows,
                                std::vector<std::string> pocsagRows);

}  // namespace kub
