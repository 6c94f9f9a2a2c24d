#pragma once
// The red line beside the tabs while capture is stopped: whatever tab the operator looks
// at, it says that nothing is being decoded, and its button starts capture as "Start"
// does. A save, a failed start or a "stop" pressed by mistake can no longer leave the
// monitor deaf with only the level meters to tell.

#include <QFrame>

class QLabel;
class QPushButton;

namespace kub::ui {

class CaptureStoppedLine : public QFrame {
    Q_OBJECT
public:
    // Follows `start`: shown exactly while it can be pressed (capture stopped, no
    // recording playing).
    CaptureStoppedLine(QPushButton* start, QWidget* parent);

    // Why nothing is decoded and what to do, in place of the line's own words, with more
    // in the tooltip; "" goes back to them.
    void setReason(const QString& reason, const QString& more = QString());

    QPushButton* startButton() const { return button_; }
    QLabel* text() const { return text_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void follow();

    QPushButton* start_;
    QLabel* text_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace kub::ui
