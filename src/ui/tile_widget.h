#pragma once
// One tile of the board (FXLabel1): paints a TileLook. It keeps no data of its own; the
// board hands it the look of the slot it shows.

#include <QWidget>

#include "ui/board_model.h"

namespace kub::ui {

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int index_;
    TileLook look_;
    QFont font_;
};

}  // namespace kub::ui
