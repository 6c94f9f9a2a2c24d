#include "ui/board_model.h"

#include "ui/colours.h"

namespace kub::ui {

namespace {

// Characters, not bytes: a Kennung is read as text and may hold umlauts.
std::size_t characterCount(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0u) != 0x80u) ++n;
    return n;
}

}  // namespace

SlotKind slotKind(const VehicleRecord& record) {
    if (characterCount(record.kennung) == 8) return SlotKind::Vehicle;
    if (!record.rufname.empty()) return SlotKind::Heading;
    return SlotKind::Empty;
}

BoardFont boardFontFor(BoardLayout layout) {
    switch (layout) {
        case BoardLayout::Columns5Rows10: return BoardFont{12, true};
        case BoardLayout::Columns10Rows10: return BoardFont{10, true};
        case BoardLayout::NotChosen:
        case BoardLayout::Columns5Rows20:
        case BoardLayout::Columns10Rows20: break;
    }
    return BoardFont{10, false};
}

int layoutOptionFor(BoardLayout layout) {
    return layout == BoardLayout::NotChosen ? 4 : static_cast<int>(layout);
}

TileLook tileLook(const VehicleRecord& record, const Settings& settings, BoardFont font,
                  const QPalette& palette) {
    TileLook look;
    look.kind = slotKind(record);
    switch (look.kind) {
        case SlotKind::Vehicle: {
            const bool hasEntry = record.status >= 1 && record.status <= kStatusColourCount;
            look.statusWithoutColour = !hasEntry;
            look.fill = hasEntry ? colourFromValue(settings.statusColour(record.status), palette)
                                 : colourFromValue(kLightGreyValue, palette);
            look.border = look.fill.darker(160);
            look.text = textColourOn(look.fill);
            look.caption = QString::fromStdString(record.rufname);
            look.font = font;
            break;
        }
        case SlotKind::Heading:
            look.fill = colourFromValue(kSilver, palette);
            look.border = look.fill;
            look.text = Qt::black;
            look.caption = QString::fromStdString(record.rufname);
            look.font = kHeadingFont;
            break;
        case SlotKind::Empty:
            look.fill = colourFromValue(kSilver, palette);
            look.border = colourFromValue(kLighterSilver, palette);
            look.text = Qt::black;
            look.font = font;
            break;
    }
    return look;
}

TileRect tileRect(int tile, int columns, int rows, int areaWidth, int areaHeight, int firstTop) {
    TileRect r;
    if (columns < 1 || rows < 1) return r;
    r.width = areaWidth / columns - 60;
    r.height = (areaHeight - 200) / rows - 60;
    const int column = tile / rows;
    const int row = tile % rows;
    r.left = (r.width + 40) * column;
    r.top = firstTop + (r.height + 40) * row;
    return r;
}

int setStatusForAll(VehicleTable& table, std::int16_t status, const std::string& programFolder,
                    const std::string& timeText) {
    int failed = 0;
    const int count = static_cast<int>(table.vehicleTable.size());
    for (int slot = 0; slot < count; ++slot) {
        VehicleRecord& rec = table.vehicleTable[static_cast<std::size_t>(slot)];
        rec.status = status;
        if (!rec.rufname.empty() && !programFolder.empty() &&
            !writeStatusFile(programFolder, table, slot, timeText))
            ++failed;
    }
    return failed;
}

}  // namespace kub::ui
