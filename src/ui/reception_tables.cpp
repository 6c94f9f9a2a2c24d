#include "ui/reception_tables.h"

#include <algorithm>
#include <QHeaderView>
#include <QStyle>

#include "core/channel_cell.h"

namespace kub::ui {

namespace {

struct Column {
    const char* header;
    int width;      // twips
    int alignment;  // 2: left, bottom; 3: centre, top
};

const std::vector<Column> kFmsColumns = {
    {"Rufname", 1500, 3}, {"Eigenschaft", 3000, 3}, {"FMS", 1000, 2}, {"Status", 1000, 2},
    {"TKI", 1000, 2},     {"Rtg", 1000, 2},         {"Zeit", 1700, 2}, {"Text", 6000, 2}};
const std::vector<Column> kZveiColumns = {{"Nummer", 1500, 2}, {"Name", 4000, 2}, {"Zeit", 3000, 2}};
const std::vector<Column> kPocsagColumns = {
    {"Nummer", 1500, 2}, {"Funktion", 1200, 2}, {"Name", 3500, 2}, {"Zeit", 1700, 2}, {"Text", 6000, 2}};

// The column that names the vehicle or the receiver: a cut name cannot be told from its
// neighbours ("Florian Musterstadt 4…"), so it widens to the longest name seen.
int nameColumnOf(ReceptionTable t) {
    switch (t) {
        case ReceptionTable::Fms: return 0;
        case ReceptionTable::Zvei: return 1;
        case ReceptionTable::Pocsag: break;
    }
    return 2;
}
constexpr int kNameColumnMax = 6000;  // twips: no runaway from one odd name
constexpr int kOtherColumnGrowth = 2; // other columns up to twice their designed width

// An SDR channel's receptions name their channel ("FW-Nord 172.34 MHz") in a column of
// its own, added when the first such row comes: with the sound card alone the tables
// keep the columns they always had.
constexpr const char* kChannelHeader = "Kanal";
constexpr int kChannelColumnWidth = 1700;  // twips
constexpr int kChannelText = Qt::UserRole;  // the cell as inserted, "Kanal FW-Nord 172.34 MHz"

const std::vector<Column>& columnsOf(ReceptionTable t) {
    switch (t) {
        case ReceptionTable::Fms: return kFmsColumns;
        case ReceptionTable::Zvei: return kZveiColumns;
        case ReceptionTable::Pocsag: break;
    }
    return kPocsagColumns;
}

Qt::Alignment alignmentOf(int code) {
    return code == 3 ? (Qt::AlignHCenter | Qt::AlignTop) : (Qt::AlignLeft | Qt::AlignBottom);
}

std::vector<QString> splitRow(const std::string& row) {
    std::vector<QString> cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = row.find('\t', start);
        cells.push_back(QString::fromStdString(
            row.substr(start, tab == std::string::npos ? std::string::npos : tab - start)));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return cells;
}

}  // namespace

TableArrangement arrangeTables(bool z, bool p) {
    TableArrangement a;
    a.zveiShown = z;
    a.pocsagShown = p;
    if (!z && !p) {
        a.fmsHeight = 8775;
        return a;
    }
    a.fmsHeight = 3975;
    const int below = kFmsTableTop + a.fmsHeight + 100;
    if (z && p) {
        a.zveiTop = below;
        a.zveiHeight = 2415;
        a.pocsagTop = a.zveiTop + 2415 + 100;
        a.pocsagHeight = 2175;
    } else if (z) {
        a.zveiTop = below;
        a.zveiHeight = 4695;
    } else {
        a.pocsagTop = below;
        a.pocsagHeight = 4695;
    }
    return a;
}

ReceptionTables::ReceptionTables(Twips twips, QWidget* parent) : QWidget(parent), twips_(twips) {
    static const std::array<const char*, 3> names = {"Grid", "Grid_Z", "Grid_P"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto* t = new QTableWidget(this);
        t->setObjectName(QString::fromLatin1(names[i]));
        const auto& cols = columnsOf(static_cast<ReceptionTable>(i));
        t->setColumnCount(static_cast<int>(cols.size()));
        t->setRowCount(0);
        t->verticalHeader()->hide();
        t->verticalHeader()->setDefaultSectionSize(twips_.px(285));
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setSelectionBehavior(QAbstractItemView::SelectRows);
        t->setWordWrap(false);
        // The designed widths were drawn for a small face: 7.5 pt keeps a Kennung and a full
        // date and time readable in their columns.
        QFont small = t->font();
        small.setPointSizeF(7.5);
        t->setFont(small);
        // The last column ("Text", or "Zeit" of the ZVEI table) takes what is left.
        t->horizontalHeader()->setStretchLastSection(true);
        for (int c = 0; c < static_cast<int>(cols.size()); ++c) {
            auto* h = new QTableWidgetItem(QString::fromUtf8(cols[static_cast<std::size_t>(c)].header));
            h->setTextAlignment(alignmentOf(cols[static_cast<std::size_t>(c)].alignment));
            t->setHorizontalHeaderItem(c, h);
            t->setColumnWidth(c, twips_.px(cols[static_cast<std::size_t>(c)].width));
        }
        tables_[i] = t;
    }
    place();
}

void ReceptionTables::setRowCount(ReceptionTable t, int rows) {
    table(t)->setRowCount(std::max(rows, 1) - 1);
}

void ReceptionTables::insertRow(ReceptionTable t, const std::string& row) {
    QTableWidget* w = table(t);
    const auto& cols = columnsOf(t);
    const std::vector<QString> cells = splitRow(row);
    w->insertRow(0);
    // Cells beyond the table's columns are dropped, as the grid did; only an SDR channel's
    // cell after them is shown.
    for (std::size_t c = 0; c < cols.size() && c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setTextAlignment(alignmentOf(cols[c].alignment));
        w->setItem(0, static_cast<int>(c), item);
        fitColumn(t, static_cast<int>(c), cells[c]);
    }
    std::string name;
    std::int64_t hz = 0;
    if (cells.size() <= cols.size() || !readChannelCell(cells[cols.size()].toStdString(), name, hz)) return;
    const int column = channelColumn(t);
    const QString label = QString::fromStdString(channelLabel(name, hz));
    auto* item = new QTableWidgetItem(label);
    item->setData(kChannelText, cells[cols.size()]);
    item->setTextAlignment(alignmentOf(2));
    w->setItem(0, column, item);
    fitColumn(t, column, label);
}

int ReceptionTables::channelColumn(ReceptionTable t) {
    QTableWidget* w = table(t);
    const int column = static_cast<int>(columnsOf(t).size());
    if (w->columnCount() > column) return column;
    w->insertColumn(column);
    auto* h = new QTableWidgetItem(QString::fromUtf8(kChannelHeader));
    h->setTextAlignment(alignmentOf(2));
    w->setHorizontalHeaderItem(column, h);
    // Shown before the last column: the text (the ZVEI table's time) keeps the width that
    // is left over. The header takes the stretch anew once the column has moved.
    QHeaderView* header = w->horizontalHeader();
    header->setStretchLastSection(false);
    header->moveSection(column, column - 1);
    header->setStretchLastSection(true);
    w->setColumnWidth(column, twips_.px(kChannelColumnWidth));
    // The text gives up what the channel takes, or the fixed-width POCSAG table scrolls.
    const int last = column - 1;
    w->setColumnWidth(last, std::max(twips_.px(kChannelColumnWidth), w->columnWidth(last) - twips_.px(kChannelColumnWidth)));
    return column;
}

void ReceptionTables::fitColumn(ReceptionTable t, int column, const QString& text) {
    QTableWidget* w = table(t);
    if (w->horizontalHeader()->visualIndex(column) == w->columnCount() - 1) return;  // stretches anyway
    const auto& cols = columnsOf(t);
    const int designed =
        column < static_cast<int>(cols.size()) ? cols[static_cast<std::size_t>(column)].width : kChannelColumnWidth;
    const int limit = twips_.px(column == nameColumnOf(t) ? kNameColumnMax : designed * kOtherColumnGrowth);
    // Measured once per cell as it comes in, so a table of thousands of rows costs nothing
    // more; the columns only grow, and never past their limit.
    const int wanted = std::min(limit, w->fontMetrics().horizontalAdvance(text) + 2 * w->style()->pixelMetric(
                                                                                        QStyle::PM_FocusFrameHMargin) + 8);
    if (wanted > w->columnWidth(column)) w->setColumnWidth(column, wanted);
}

void ReceptionTables::setCellColour(ReceptionTable t, int row, int column, QColor colour) {
    QTableWidget* w = table(t);
    if (row < 1 || row > w->rowCount() || column < 0 || column >= w->columnCount()) return;
    QTableWidgetItem* item = w->item(row - 1, column);
    if (!item) {
        item = new QTableWidgetItem;
        w->setItem(row - 1, column, item);
    }
    item->setBackground(colour);
}

void ReceptionTables::setRowSite(ReceptionTable t, int row, const QString& site) {
    QTableWidget* w = table(t);
    if (row < 1 || row > w->rowCount()) return;
    for (int c = 0; c < w->columnCount(); ++c)
        if (QTableWidgetItem* item = w->item(row - 1, c)) item->setToolTip(QStringLiteral("Empfangen von ") + site);
}

void ReceptionTables::setRowSites(ReceptionTable t, const std::string& text, const QString& sites) {
    // A merge follows the first report within seconds; the row is near the top. The
    // reception's row is matched, not the channel cell the table adds to it.
    const int rows = std::min(table(t)->rowCount(), 100);
    for (int r = 1; r <= rows; ++r)
        if (receptionText(t, r) == text) return setRowSite(t, r, sites);
}

std::string ReceptionTables::receptionText(ReceptionTable t, int row) const {
    QTableWidget* w = table(t);
    if (row < 1 || row > w->rowCount()) return {};
    std::string text;
    for (int c = 0; c < static_cast<int>(columnsOf(t).size()); ++c) {
        if (c) text += '\t';
        if (const QTableWidgetItem* item = w->item(row - 1, c)) text += item->text().toStdString();
    }
    return text;
}

std::string ReceptionTables::rowText(ReceptionTable t, int row) const {
    std::string text = receptionText(t, row);
    const int column = static_cast<int>(columnsOf(t).size());
    if (column >= table(t)->columnCount() || text.empty()) return text;
    if (const QTableWidgetItem* item = table(t)->item(row - 1, column))
        text += '\t' + item->data(kChannelText).toString().toStdString();
    return text;
}

std::vector<std::string> ReceptionTables::rowTexts(ReceptionTable t) const {
    std::vector<std::string> rows;
    for (int r = 1; r <= table(t)->rowCount(); ++r) rows.push_back(rowText(t, r));
    return rows;
}

void ReceptionTables::arrange(bool z, bool p) {
    arrangement_ = arrangeTables(z, p);
    place();
}

void ReceptionTables::setInnerWidth(int innerWidthTwips) {
    innerWidth_ = innerWidthTwips;
    place();
}

void ReceptionTables::place() {
    // The designed tops count from the tab control's top edge, above its tab row.
    constexpr int kTabRow = 360;
    const int width = std::max(1000, innerWidth_ - 1000);
    const TableArrangement& a = arrangement_;
    auto top = [&](int t) { return twips_.px(t - kTabRow); };
    tables_[0]->setGeometry(twips_.px(120), top(kFmsTableTop), twips_.px(width), twips_.px(a.fmsHeight));
    tables_[1]->setGeometry(twips_.px(120), top(a.zveiTop), twips_.px(width), twips_.px(a.zveiHeight));
    tables_[2]->setGeometry(twips_.px(120), top(a.pocsagTop), twips_.px(kPocsagTableWidth),
                            twips_.px(a.pocsagHeight));
    tables_[1]->setVisible(a.zveiShown);
    tables_[2]->setVisible(a.pocsagShown);
}

}  // namespace kub::ui
