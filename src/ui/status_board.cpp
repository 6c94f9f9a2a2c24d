#include "ui/status_board.h"

#include <QButtonGroup>
#include <QLabel>
#include <algorithm>

#include "ui/colours.h"
#include "ui/station_button.h"
#include "ui/tile_widget.h"

namespace kub::ui {

namespace {

constexpr int kButtonHeight = 375;  // twips
constexpr int kStationBarTop = 60;
constexpr int kFirstTileTop = 60;
constexpr int kInfoHeight = 240;
// Left edges of the five info fields, as fractions of the strip's width.
constexpr std::array<int, 6> kInfoSplit = {0, 20, 30, 40, 80, 100};

}  // namespace

StatusBoard::StatusBoard(VehicleTable& table, const Settings& settings, Twips twips, QWidget* parent)
    : QWidget(parent), table_(table), settings_(settings), twips_(twips) {
    stationBar_ = new QFrame(this);
    stationBar_->setObjectName(QStringLiteral("ctFrame3"));
    boardArea_ = new QFrame(this);
    boardArea_->setObjectName(QStringLiteral("ctFrame2"));

    stationGroup_ = new QButtonGroup(this);
    stationGroup_->setExclusive(true);
    for (int i = 0; i < kStationCount; ++i) {
        auto* b = new StationButton(i, stationBar_);
        connect(b, &StationButton::renameRequested, this, &StatusBoard::renameRequested);
        connect(b, &StationButton::tileDropped, this, &StatusBoard::tileDroppedOnStation);
        stationGroup_->addButton(b, i);
        stationButtons_[static_cast<std::size_t>(i)] = b;
    }
    stationButtons_[0]->setChecked(true);
    connect(stationGroup_, &QButtonGroup::idClicked, this, &StatusBoard::selectStation);

    for (int k = 0; k < kTilePool; ++k) {
        auto* t = new TileWidget(k, boardArea_);
        connect(t, &TileWidget::hovered, this, &StatusBoard::showSlotDetails);
        connect(t, &TileWidget::clicked, this, &StatusBoard::showSlotDetails);
        connect(t, &TileWidget::propertiesRequested, this, &StatusBoard::propertiesRequested);
        connect(t, &TileWidget::tileDropped, this, &StatusBoard::tileDroppedOnTile);
        tiles_[static_cast<std::size_t>(k)] = t;
    }

    static const std::array<const char*, 5> headers = {"Rufname", "Status", "TKI", "Eigenschaft",
                                                       "letzte Änderung"};
    QPalette grey = palette();
    grey.setColor(QPalette::Window, colourFromValue(kLightGreyValue, grey));
    for (std::size_t i = 0; i < 5; ++i) {
        auto* h = new QLabel(QString::fromUtf8(headers[i]), boardArea_);
        h->setObjectName(QStringLiteral("Label27_%1").arg(i));
        infoHeaders_[i] = h;
        auto* f = new QLabel(boardArea_);
        f->setObjectName(QStringLiteral("Label28_%1").arg(i));
        f->setAutoFillBackground(true);
        f->setPalette(grey);
        infoFields_[i] = f;
    }
    // A new folder would otherwise greet the operator with a grey grid and no word on
    // where to begin.
    emptyHint_ = new QLabel(QStringLiteral("Noch keine Fahrzeuge: Rechtsklick auf ein Feld → „Eigenschaften“ "
                                           "legt eines an; ganze Listen über Einstellungen → „Fzge importieren“."),
                            boardArea_);
    emptyHint_->setObjectName(QStringLiteral("emptyBoardHint"));
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setAutoFillBackground(true);
    emptyHint_->setStyleSheet(QStringLiteral("QLabel { background: #fff3b0; color: #202020; padding: 4px; }"));
    // Clicks go through to the tile beneath, so the right click it asks for works on it.
    emptyHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint_->hide();
}

void StatusBoard::setLayout(BoardLayout layout) {
    font_ = boardFontFor(layout);
}

void StatusBoard::setStationNames(const StationNames& names) {
    for (int i = 0; i < kStationCount; ++i)
        setStationName(i, QString::fromStdString(names[static_cast<std::size_t>(i)]));
}

void StatusBoard::setStationName(int station, const QString& name) {
    if (station < 0 || station >= kStationCount) return;
    stationButtons_[static_cast<std::size_t>(station)]->setText(
        name.trimmed().isEmpty() ? QStringLiteral("Wache %1").arg(station + 1) : name);
}

void StatusBoard::selectStation(int station) {
    if (station < 0 || station >= kStationCount) return;
    currentStation_ = station;
    stationButtons_[static_cast<std::size_t>(station)]->setChecked(true);
    // The strip showed a vehicle of the other station; it waits for the mouse again.
    shownTile_ = -1;
    update_label();
}

void StatusBoard::update_label() {
    const int perStation = table_.tilesPerStation();
    for (int k = 0; k < perStation && k < kTilePool; ++k) drawTile(k);
    fillInfoStrip();
    followEmptyHint();
}

void StatusBoard::update_labelx(int tile) {
    drawTile(tile);
    if (tile == shownTile_) fillInfoStrip();
    // The vehicle dialog redraws only its tile: the first vehicle of a new folder, or
    // the last one removed, changes the hint too.
    followEmptyHint();
}

void StatusBoard::drawTile(int tile) {
    if (tile < 0 || tile >= kTilePool || tile >= table_.tilesPerStation()) return;
    const std::size_t slot = static_cast<std::size_t>(currentStation_ * table_.tilesPerStation() + tile);
    static const VehicleRecord none;
    const VehicleRecord& rec = slot < table_.vehicleTable.size() ? table_.vehicleTable[slot] : none;
    tiles_[static_cast<std::size_t>(tile)]->setLook(tileLook(rec, settings_, font_, palette()));
}

void StatusBoard::followEmptyHint() {
    const bool empty = std::none_of(table_.vehicleTable.begin(), table_.vehicleTable.end(),
                                    [](const VehicleRecord& r) { return slotKind(r) != SlotKind::Empty; });
    emptyHint_->setVisible(empty);
    if (empty) emptyHint_->raise();
}

void StatusBoard::arrange(int barWidth, int boardHeight) {
    const int barHeight = 3 * kButtonHeight;
    stationBar_->setGeometry(0, twips_.px(kStationBarTop), twips_.px(barWidth), twips_.px(barHeight));
    boardArea_->setGeometry(0, twips_.px(kStationBarTop + barHeight + 100), twips_.px(barWidth),
                            twips_.px(boardHeight));
    layoutStationButtons();
    layoutInfoStrip();
    layoutTiles();
}

void StatusBoard::layoutStationButtons() {
    const int width = twips_.twips(stationBar_->width()) / 10;
    for (int i = 0; i < kStationCount; ++i) {
        const int left = (width - 20) * (i % 10);
        const int top = std::max(0, kButtonHeight * (i / 10) - 5);
        stationButtons_[static_cast<std::size_t>(i)]->setGeometry(twips_.px(left), twips_.px(top),
                                                                  twips_.px(width), twips_.px(kButtonHeight));
    }
}

void StatusBoard::layoutInfoStrip() {
    const int w = twips_.twips(boardArea_->width());
    const int top = twips_.twips(boardArea_->height()) - 260;
    for (std::size_t i = 0; i < 5; ++i) {
        const int left = w * kInfoSplit[i] / 100;
        const int width = w * kInfoSplit[i + 1] / 100 - left - 30;
        infoHeaders_[i]->setGeometry(twips_.px(left), twips_.px(top - kInfoHeight), twips_.px(width),
                                     twips_.px(kInfoHeight));
        infoFields_[i]->setGeometry(twips_.px(left), twips_.px(top), twips_.px(width),
                                    twips_.px(kInfoHeight));
    }
}

void StatusBoard::layoutTiles() {
    emptyHint_->setGeometry(0, twips_.px(kFirstTileTop), boardArea_->width(), emptyHint_->sizeHint().height());
    const int w = twips_.twips(boardArea_->width());
    // The info strip and its headers sit under the tiles.
    const int h = twips_.twips(boardArea_->height()) - 260 - kInfoHeight;
    const int perStation = table_.tilesPerStation();
    for (int k = 0; k < kTilePool; ++k) {
        TileWidget* t = tiles_[static_cast<std::size_t>(k)];
        if (k >= perStation) {
            t->hide();
            continue;
        }
        const TileRect r = tileRect(k, table_.columns, table_.rows, w, h, kFirstTileTop);
        t->setGeometry(twips_.px(r.left), twips_.px(r.top), std::max(1, twips_.px(r.width)),
                       std::max(1, twips_.px(r.height)));
        t->show();
    }
}

void StatusBoard::showSlotDetails(int tile) {
    shownTile_ = tile;
    fillInfoStrip();
}

void StatusBoard::fillInfoStrip() {
    const std::size_t slot = static_cast<std::size_t>(currentStation_ * table_.tilesPerStation() + shownTile_);
    if (shownTile_ < 0 || shownTile_ >= table_.tilesPerStation() || slot >= table_.vehicleTable.size() ||
        table_.vehicleTable[slot].rufname.empty()) {
        for (QLabel* f : infoFields_) f->clear();
        return;
    }
    const VehicleRecord& rec = table_.vehicleTable[slot];
    infoFields_[0]->setText(QString::fromStdString(rec.rufname));
    infoFields_[1]->setText(QString::number(rec.status));
    infoFields_[2]->setText(QString::number(rec.tki));
    infoFields_[3]->setText(QString::fromStdString(rec.eigenschaft));
    infoFields_[4]->setText(QString::fromStdString(rec.statusTime));
}

}  // namespace kub::ui
