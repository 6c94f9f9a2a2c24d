#include "ui/tile_widget.h"

#include <QPainter>
#include <QPen>

namespace kub::ui {

TileWidget::TileWidget(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("FXLabel1_%1").arg(index));
}

void TileWidget::setLook(const TileLook& look) {
    const bool fontChanged = !(look.font == look_.font) || font_.pointSize() != look.font.pointSize;
    look_ = look;
    if (fontChanged) {
        font_ = font();
        font_.setPointSize(look_.font.pointSize);
        font_.setBold(look_.font.bold);
    }
    update();
}

void TileWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, look_.fill);
    if (look_.kind == SlotKind::Vehicle) {
        QPen pen(look_.border);
        if (look_.statusWithoutColour) pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    } else if (look_.kind == SlotKind::Empty) {
        p.setPen(look_.border);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (look_.caption.isEmpty()) return;
    p.setFont(font_);
    p.setPen(look_.text);
    const QRect textRect = r.adjusted(2, 0, -2, 0);
    const QString shown = p.fontMetrics().elidedText(look_.caption, Qt::ElideRight, textRect.width());
    const Qt::Alignment align =
        look_.kind == SlotKind::Heading ? (Qt::AlignLeft | Qt::AlignBottom) : Qt::AlignCenter;
    p.drawText(textRect, align, shown);
}

void TileWidget::mouseMoveEvent(QMouseEvent* event) {
    emit hovered(index_);
    QWidget::mouseMoveEvent(event);
}

}  // namespace kub::ui
