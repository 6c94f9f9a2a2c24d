#pragma once
// One tile of the board (FXLabel1): paints a TileLook. It keeps no data of its own; the
// board hands it the look of the slot it shows.

#include <QWidget>

#include "ui/board_model.h"

class QMimeData;

namespace kub::ui {

// A dragged tile travels as its index under this type.
inline constexpr const char* kTileMimeType = "application/x-kub-tile";
QMimeData* tileMimeData(int tile);
// The dragged tile's index, or -1 when the data is no tile.
int tileFromMimeData(const QMimeData* data);

// A caption as a tile of `width` pixels shows it.
struct FittedCaption {
    QFont font;
    QString text;
};
// Names of one district share their beginning ("Florian Musterstadt …") and differ at the
// end, so the font shrinks point by point until the whole name fits, down to a size still
// read from the dispatcher's chair; below that the end is kept ("…10/1"), not the start.
FittedCaption fitCaption(const QString& caption, QFont font, int width);
inline constexpr int kMinTilePoints = 7;

class TileWidget : public QWidget {
    Q_OBJECT
public:
    TileWidget(int index, QWidget* parent);

    int index() const { return index_; }
    const TileLook& look() const { return look_; }
    void setLook(const TileLook& look);
    QString caption() const { return look_.caption; }
    // What the tile shows of its caption at its present width.
    FittedCaption shown() const;

signals:
    void hovered(int index);
    // Left mouse button pressed on it.
    void clicked(int index);
    // Right mouse button: the vehicle dialog of this tile.
    void propertiesRequested(int index);
    // Another tile of the page was dropped here.
    void tileDropped(int fromTile, int toTile);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QRect textRect() const;

    int index_;
    QPoint pressedAt_;
    bool pressed_ = false;
    TileLook look_;
    QFont font_;
};

}  // namespace kub::ui
