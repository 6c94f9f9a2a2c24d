#include "ui/tile_widget.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

namespace kub::ui {

QMimeData* tileMimeData(int tile) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kTileMimeType), QByteArray::number(tile));
    return data;
}

int tileFromMimeData(const QMimeData* data) {
    if (!data || !data->hasFormat(QString::fromLatin1(kTileMimeType))) return -1;
    bool ok = false;
    const int tile = data->data(QString::fromLatin1(kTileMimeType)).toInt(&ok);
    return ok ? tile : -1;
}

TileWidget::TileWidget(int index, QWidget* parent) : QWidget(parent), index_(index) {
    setMouseTracking(true);
    setAcceptDrops(true);
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
    // A drag begins once the pressed mouse has really moved, so a plain click moves nothing.
    if (pressed_ && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
        pressed_ = false;
        auto* drag = new QDrag(this);
        drag->setMimeData(tileMimeData(index_));
        QPixmap picture(size());
        render(&picture);
        drag->setPixmap(picture.scaledToWidth(std::max(1, std::min(width(), 160))));
        drag->exec(Qt::MoveAction);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void TileWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        pressed_ = false;
        emit propertiesRequested(index_);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        pressedAt_ = event->position().toPoint();
    }
    QWidget::mousePressEvent(event);
}

void TileWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (tileFromMimeData(event->mimeData()) >= 0) event->acceptProposedAction();
}

void TileWidget::dropEvent(QDropEvent* event) {
    const int from = tileFromMimeData(event->mimeData());
    if (from < 0) return;
    event->acceptProposedAction();
    emit tileDropped(from, index_);
}

}  // namespace kub::ui
