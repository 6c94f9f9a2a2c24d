#include "ui/incident_table.h"

#include <QHeaderView>

namespace kub::ui {

IncidentTable::IncidentTable(QWidget* parent) : QTableWidget(0, 4, parent) {
    setObjectName(QStringLiteral("Grid_E"));
    setHorizontalHeaderLabels({QStringLiteral("Zeit"), QStringLiteral("Stichwort"), QStringLiteral("Einheiten"),
                               QStringLiteral("Text")});
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00:00 ")));
    setColumnWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("Probealarm THL 1 ")));
    setColumnWidth(2, fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
}

void IncidentTable::add(const IncidentSummary& incident) {
    const QString key = QString::fromStdString(incident.key);
    for (int row = 0; row < rowCount(); ++row) {
        const QTableWidgetItem* first = item(row, 0);
        if (first && first->data(Qt::UserRole).toString() == key) {
            removeRow(row);
            break;
        }
    }
    insertRow(0);
    const std::vector<std::string> cells = incidentCells(incident);
    for (int c = 0; c < columnCount() && c < static_cast<int>(cells.size()); ++c) {
        auto* cell = new QTableWidgetItem(QString::fromStdString(cells[static_cast<std::size_t>(c)]));
        cell->setToolTip(cell->text());
        if (incident.test) {
            cell->setForeground(QColor(0x60, 0x60, 0x60));
            cell->setBackground(QColor(0xE4, 0xE4, 0xE4));
        }
        setItem(0, c, cell);
    }
    item(0, 0)->setData(Qt::UserRole, key);
    if (rowCount() > kKeptRows) setRowCount(kKeptRows);
}

}  // namespace kub::ui
