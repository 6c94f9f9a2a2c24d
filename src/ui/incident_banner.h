#pragma once
// The newest incident in a line above the tabs, whatever tab is open: red for an alarm,
// grey for a test alarm. It stays until someone acknowledges it (its button or a click on
// it); a newer incident takes its place. Never a box: a box would hold up the decoding
// behind it while nobody is at the desk.

#include <QFrame>

#include "core/incident_summary.h"

class QLabel;
class QPushButton;

namespace kub::ui {

class IncidentBanner : public QFrame {
    Q_OBJECT
public:
    explicit IncidentBanner(QWidget* parent);

    void show(const IncidentSummary& incident);
    void acknowledge();

    QLabel* headline() const { return headline_; }
    QLabel* detail() const { return detail_; }
    QPushButton* acknowledgeButton() const { return button_; }

signals:
    // Shown or acknowledged: the window makes room for it or takes the room back.
    void visibilityChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* headline_ = nullptr;
    QLabel* detail_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace kub::ui
