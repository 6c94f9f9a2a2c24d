#include "ui/capture_stopped_line.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kub::ui {

CaptureStoppedLine::CaptureStoppedLine(QPushButton* start, QWidget* parent) : QFrame(parent), start_(start) {
    setObjectName(QStringLiteral("captureStopped"));
    setAutoFillBackground(true);
    QPalette red = palette();
    red.setColor(QPalette::Window, Qt::red);
    red.setColor(QPalette::WindowText, Qt::white);
    setPalette(red);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 1, 2, 1);
    text_ = new QLabel(this);
    setReason(QString());
    QFont bold = text_->font();
    bold.setBold(true);
    text_->setFont(bold);
    button_ = new QPushButton(QStringLiteral("Aufnahme starten"), this);
    button_->setObjectName(QStringLiteral("captureStoppedStart"));
    button_->setPalette(QPalette());
    row->addWidget(text_);
    row->addWidget(button_);
    // Through "Start" itself, so a missing or busy sound card says so as it does there.
    connect(button_, &QPushButton::clicked, start_, [this] {
        if (start_->isEnabled()) start_->click();
    });
    start_->installEventFilter(this);
    follow();
}

void CaptureStoppedLine::setReason(const QString& reason, const QString& more) {
    text_->setText(reason.isEmpty() ? QStringLiteral("Aufnahme gestoppt – es wird nichts dekodiert") : reason);
    setToolTip(more);
}

bool CaptureStoppedLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == start_ && event->type() == QEvent::EnabledChange) follow();
    return QFrame::eventFilter(watched, event);
}

void CaptureStoppedLine::follow() { setVisible(start_->isEnabled()); }

}  // namespace kub::ui
