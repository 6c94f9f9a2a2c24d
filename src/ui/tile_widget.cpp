#include "ui/tile_widget.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
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

FittedCaption fitCaption(const QString& caption, QFont font, int width) {
    for (int points = font.pointSize(); points > kMinTilePoints; --points) {
        if (QFontMetrics(font).horizontalAdvance(caption) <= width) return {font, caption};
        font.setPointSize(points - 1);
    }
    return {font, QFontMetrics(font).elidedText(caption, Qt::ElideLeft, width)};
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
    const FittedCaption fitted = shown();
    p.setFont(fitted.font);
    p.setPen(look_.text);
    const Qt::Alignment align =
        look_.kind == SlotKind::Heading ? (Qt::AlignLeft | Qt::AlignBottom) : Qt::AlignCenter;
    p.drawText(textRect(), align, fitted.text);
}

QRect TileWidget::textRect() const { return rect().adjusted(2, 0, -2, 0); }

FittedCaption TileWidget::shown() const { return fitCaption(look_.caption, font_, textRect().width()); }

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
        emit clicked(index_);
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
