#pragma once
// The three alert lists under the tabs: `List3` "Status 0", `List2` "Status5" and
// `List1` " SprechTaste". They collect receptions until the operator acknowledges an
// entry by pressing the mouse on the list; the housekeeping pass ages old ones out
// through the window.

#include <QListWidget>
#include <QWidget>
#include <array>
#include <string>

#include "core/reception_window.h"
#include "ui/twips.h"

class QLabel;

namespace kub::ui {

class AlertListWidget : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;
    void setBackgroundValue(std::int32_t colour);
    std::int32_t backgroundValue() const { return background_; }

protected:
    // Acknowledge: the selected entry goes; an empty list turns light grey.
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::int32_t background_ = 0;
};

class AlertLists : public QWidget {
    Q_OBJECT
public:
    AlertLists(Twips twips, QWidget* parent);

    AlertListWidget* list(AlertList l) const {
        return lists_[static_cast<std::size_t>(static_cast<int>(l) - 1)];
    }

private:
    std::array<AlertListWidget*, 3> lists_{};
    std::array<QLabel*, 3> captions_{};
};

}  // namespace kub::ui
