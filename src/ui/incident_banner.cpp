#include "ui/incident_banner.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kub::ui {

IncidentBanner::IncidentBanner(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("incidentBanner"));
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 3, 6, 3);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(0);
    headline_ = new QLabel(this);
    QFont big = headline_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    headline_->setFont(big);
    detail_ = new QLabel(this);
    // Texts from the air are shown as they are, never as markup.
    headline_->setTextFormat(Qt::PlainText);
    detail_->setTextFormat(Qt::PlainText);
    lines->addWidget(headline_);
    lines->addWidget(detail_);
    row->addLayout(lines, 1);
    button_ = new QPushButton(QStringLiteral("Quittieren"), this);
    button_->setObjectName(QStringLiteral("incidentAcknowledge"));
    button_->setPalette(QPalette());
    row->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, &IncidentBanner::acknowledge);
    QFrame::hide();
}

namespace {
QString text(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void IncidentBanner::show(const IncidentSummary& incident) {
    QPalette p = palette();
    p.setColor(QPalette::Window, incident.test ? QColor(0xB0, 0xB0, 0xB0) : QColor(0xC6, 0x28, 0x28));
    p.setColor(QPalette::WindowText, incident.test ? QColor(0x30, 0x30, 0x30) : QColor(Qt::white));
    setPalette(p);
    QStringList head{incident.test ? QStringLiteral("Probealarm") : QStringLiteral("Einsatz"), text(incident.time)};
    if (!incident.keyword.empty()) head << text(incident.keyword);
    if (!incident.address.empty()) head << text(incident.address);
    headline_->setText(head.join(QStringLiteral("  –  ")));
    QStringList rest;
    if (!incident.units.empty()) rest << text(incident.units);
    if (!incident.text.empty()) rest << text(incident.text);
    detail_->setText(rest.join(QStringLiteral("  |  ")));
    const bool was = !isHidden();
    QFrame::show();
    if (!was) emit visibilityChanged();
}

void IncidentBanner::acknowledge() {
    if (isHidden()) return;
    QFrame::hide();
    emit visibilityChanged();
}

void IncidentBanner::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    acknowledge();
}

}  // namespace kub::ui
