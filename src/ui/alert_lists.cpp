#include "ui/alert_lists.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <cstdio>

#include "ui/colours.h"

namespace kub::ui {

namespace {

// Days since 1970-01-01 of a civil date.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long long minuteNumber(const LocalTime& t) {
    return (daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute;
}

}  // namespace

bool alertEntryExpired(const std::string& entry, const LocalTime& now) {
    const std::size_t tab = entry.find('\t');
    if (tab == std::string::npos) return false;
    const std::size_t end = entry.find('\t', tab + 1);
    const std::string date = entry.substr(tab + 1, end == std::string::npos ? std::string::npos : end - tab - 1);
    LocalTime t;
    const int n = std::sscanf(date.c_str(), " %d.%d.%d %d:%d:%d", &t.day, &t.month, &t.year, &t.hour,
                              &t.minute, &t.second);
    if (n < 3 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31) return false;
    if (n < 5) t.hour = t.minute = 0;
    // Minute boundaries crossed, seconds do not count.
    return minuteNumber(now) - minuteNumber(t) > 4;
}

void AlertListWidget::setBackgroundValue(std::int32_t colour) {
    background_ = colour;
    QPalette p = palette();
    p.setColor(QPalette::Base, colourFromValue(colour, p));
    setPalette(p);
}

void AlertListWidget::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    const int row = currentRow();
    if (row >= 0 && currentItem() && currentItem()->isSelected()) delete takeItem(row);
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
        captions_[i] = label;
        lists_[i] = list;
        row->addWidget(label);
        row->addWidget(list, 1);
    }
}

void AlertLists::ageEntries(const LocalTime& now) {
    for (AlertListWidget* list : lists_) {
        const int countAtStart = list->count();
        // Removal does not re-index: the entry moving into place i waits for the next pass.
        for (int i = 0; i < countAtStart; ++i) {
            QListWidgetItem* item = list->item(i);
            if (!item) continue;
            if (alertEntryExpired(item->text().toStdString(), now)) delete list->takeItem(i);
        }
        if (list->count() == 0) list->setBackgroundValue(kLightGreyValue);
    }
}

}  // namespace kub::ui
