#include "ui/station_button.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>

#include "ui/tile_widget.h"

namespace kub::ui {

StationButton::StationButton(int station, QWidget* parent) : QPushButton(parent), station_(station) {
    setObjectName(QStringLiteral("label8_%1").arg(station));
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
}

void StationButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        emit renameRequested(station_);
        return;
    }
    QPushButton::mousePressEvent(event);
}

void StationButton::dragEnterEvent(QDragEnterEvent* event) {
    if (tileFromMimeData(event->mimeData()) >= 0) event->acceptProposedAction();
}

void StationButton::dropEvent(QDropEvent* event) {
    const int from = tileFromMimeData(event->mimeData());
    if (from < 0) return;
    event->acceptProposedAction();
    emit tileDropped(from, station_);
}

}  // namespace kub::ui
