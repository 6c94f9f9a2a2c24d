#pragma once
// The "Einsätze" tab: one row per incident (time, keyword, units, text), the newest on
// top, test alarms in grey. It keeps a bounded number of rows; the day log keeps them all.

#include <QTableWidget>

#include "core/incident_summary.h"

namespace kub::ui {

class IncidentTable : public QTableWidget {
    Q_OBJECT
public:
    // A unit list of an alarm of a whole district may run to thousands of characters;
    // this many rows stay within a few megabytes.
    static constexpr int kKeptRows = 500;

    explicit IncidentTable(QWidget* parent);
    void add(const IncidentSummary& incident);
};

}  // namespace kub::ui
