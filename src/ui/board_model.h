#pragma once
// What a board slot shows and where its tile goes: the slot kinds, the board font of
// each layout code, the tile geometry (down the columns) and the "Status für alle
// setzen" rule. No widgets here, so the rules are tested and measured on their own.

#include <QColor>
#include <QPalette>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "storage/settings.h"
#include "storage/vehicle_table.h"

namespace kub::ui {

enum class SlotKind { Vehicle, Heading, Empty };

// Vehicle: a Kennung of exactly 8 characters; heading: otherwise a call name; else empty.
SlotKind slotKind(const VehicleRecord& record);

struct BoardFont {
    int pointSize = 10;
    bool bold = false;
    bool operator==(const BoardFont&) const = default;
};
BoardFont boardFontFor(BoardLayout layout);
constexpr BoardFont kHeadingFont{8, false};

// The four layout options, index 1 to 4 (0 unused).
inline constexpr std::array<const char*, 5> kLayoutCaptions = {
    "", "5    x   10", "5    x   20", "10   x   10", "10   x   20"};
// The option shown for a layout: none chosen shows option 4.
int layoutOptionFor(BoardLayout layout);

struct TileLook {
    SlotKind kind = SlotKind::Empty;
    QString caption;
    QColor fill;
    QColor text;
    QColor border;
    BoardFont font;
    // A vehicle whose status has no colour of its own (0, 12 to 15): drawn light grey
    // with a dashed border, so the page is drawn and the odd status still shows.
    bool statusWithoutColour = false;
};

// The look of one slot with the board font and the status colour table in force.
TileLook tileLook(const VehicleRecord& record, const Settings& settings, BoardFont font,
                  const QPalette& palette);

// Tile geometry in twips inside a board area of width w and height h.
struct TileRect {
    int left = 0, top = 0, width = 0, height = 0;
};
TileRect tileRect(int tile, int columns, int rows, int areaWidth, int areaHeight, int firstTop);

// Sets every slot to `status`; named slots get their status file written with
// `timeText` (their in-memory time stays). Returns the files that could not be written.
int setStatusForAll(VehicleTable& table, std::int16_t status, const std::string& programFolder,
                    const std::string& timeText);

}  // namespace kub::ui
