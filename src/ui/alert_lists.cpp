#include "ui/alert_lists.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

#include "ui/colours.h"

namespace kub::ui {

void AlertListWidget::setBackgroundValue(std::int32_t colour) {
    background_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, colourFromValue(colour, p));
    setPalette(p);
}

void AlertListWidget::mousePressEvent(QMouseEvent* event) { press(event); }

void AlertListWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (acknowledgedLast_) {
        acknowledgedLast_ = false;
        return;
    }
    press(event);
}

void AlertListWidget::press(QMouseEvent* event) {
    // Judged before the view handles the press: the view would select the entry under
    // the mouse first, and a single click would then acknowledge what it only meant to
    // select.
    QListWidgetItem* hit = itemAt(event->position().toPoint());
    acknowledgedLast_ = false;
    if (hit && hit->isSelected() && event->button() == Qt::LeftButton) {
        delete takeItem(row(hit));
        // Nothing stays selected: the next entry wants its own first click.
        setCurrentItem(nullptr);
        clearSelection();
        acknowledgedLast_ = true;
    } else {
        QListWidget::mousePressEvent(event);
    }
    if (count() == 0) setBackgroundValue(kLightGreyValue);
}

AlertLists::AlertLists(Twips twips, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // Left to right as on the window: List3, List2, List1.
    static const std::array<std::pair<int, const char*>, 3> order = {
        std::pair{3, "Status 0"}, std::pair{2, "Status5"}, std::pair{1, " SprechTaste"}};
    QFont small = font();
    small.setPointSize(7);
    for (const auto& [number, caption] : order) {
        const std::size_t i = static_cast<std::size_t>(number - 1);
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setObjectName(QStringLiteral("caption_List%1").arg(number));
        auto* list = new AlertListWidget(this);
        list->setObjectName(QStringLiteral("List%1").arg(number));
        list->setFont(small);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setBackgroundValue(kLightGreyValue);
        list->setMinimumWidth(twips.px(2400));
        list->setToolTip(QStringLiteral("Eintrag anklicken, erneut klicken zum Quittieren"));
        captions_[i] = label;
        lists_[i] = list;
        row->addWidget(label);
        row->addWidget(list, 1);
    }
}

}  // namespace kub::ui
