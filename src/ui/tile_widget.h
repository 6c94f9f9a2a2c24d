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

class TileWidget : public QWidget {
    Q_OBJECT
public:
    TileWidget(int index, QWidget* parent);

    int index() const { return index_; }
    const TileLook& look() const { return look_; }
    void setLook(const TileLook& look);
    QString caption() const { return look_.caption; }

signals:
    void hovered(int index);
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
    int index_;
    QPoint pressedAt_;
    bool pressed_ = false;
    TileLook look_;
    QFont font_;
};

}  // namespace kub::ui
