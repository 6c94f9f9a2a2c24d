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
    // A press on the selected entry acknowledges it (it goes); a press on another entry
    // selects that one. An empty list turns light grey.
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click arrives as this event, not as a press: taken as
    // a press, so a double click on an entry selects and acknowledges it.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void press(QMouseEvent* event);

    std::int32_t background_ = 0;
    // The press before acknowledged an entry: the double-click event of the same two
    // presses must not take the entry that moved up under the mouse as well.
    bool acknowledgedLast_ = false;
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
