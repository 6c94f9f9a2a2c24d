#include "ui/settings_alarms.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>

#include "alarm/alarm_start.h"
#include "storage/text_file.h"
#include "ui/dialog_service.h"

namespace kub::ui {

namespace {

constexpr int kRefreshMs = 1000;

// What "Datei öffnen" puts into a folder without the file, for the operator to fill in.
constexpr const char* kFirstFile =
    "# Alarmierung: wer welchen Alarm bekommt (siehe Handbuch, Kapitel Alarmierung).\n"
    "# Prüfen mit: kubmon regeln pruefen\n"
    "#\n"
    "# [ziel.handy]\n"
    "# art = \"webhook\"\n"
    "# url = \"https://ntfy.sh/meine-feuerwehr\"\n"
    "#\n"
    "# [[regel]]\n"
    "# name = \"Unsere Schleifen\"\n"
    "# ziele = [\"handy\"]\n"
    "# wenn.ric = [\"1234567\"]\n";

const char* kindName(AlarmTargetKind k) {
    switch (k) {
        case AlarmTargetKind::Webhook: return "Webhook";
        case AlarmTargetKind::Mail: return "Mail";
        case AlarmTargetKind::Mqtt: return "MQTT";
        case AlarmTargetKind::Program: return "Programm";
    }
    return "";
}

QTableWidget* table(const QStringList& columns, QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(columns.size()), parent);
    t->setHorizontalHeaderLabels(columns);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget* t, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) {
        QTableWidgetItem* item = t->item(row, c);
        if (!item) t->setItem(row, c, item = new QTableWidgetItem);
        if (item->text() != cells[c]) item->setText(cells[c]);
    }
}

}  // namespace

AlarmsSection::AlarmsSection(AlarmStart& alarms, QWidget* parent) : SettingsSection(parent), alarms_(alarms) {
    setObjectName(QStringLiteral("Alarmierung"));
    auto* grid = new QGridLayout(this);
    auto* intro = new QLabel(QStringLiteral("Wer welchen Alarm bekommt, steht in \"Alarmierung.toml\" im Programmordner. "
                                            "Die Datei wird nach jeder Änderung neu gelesen; eine fehlerhafte Datei "
                                            "lässt die bisherigen Regeln gelten."),
                             this);
    intro->setWordWrap(true);
    grid->addWidget(intro, 0, 0, 1, 3);
    rules_ = table({QStringLiteral("Regel"), QStringLiteral("Ziele"), QStringLiteral("Zustand")}, this);
    rules_->setObjectName(QStringLiteral("AlarmRegeln"));
    grid->addWidget(rules_, 1, 0, 1, 3);
    targets_ = table({QStringLiteral("Ziel"), QStringLiteral("Art"), QStringLiteral("letzte Zustellung"),
                      QStringLiteral("wartend"), QStringLiteral("fehlgeschlagen"), QStringLiteral("letzter Fehler")},
                     this);
    targets_->setObjectName(QStringLiteral("AlarmZiele"));
    grid->addWidget(targets_, 2, 0, 1, 3);
    open_ = new QPushButton(QStringLiteral("Datei öffnen"), this);
    reload_ = new QPushButton(QStringLiteral("neu laden"), this);
    test_ = new QPushButton(QStringLiteral("Test senden"), this);
    test_->setToolTip(QStringLiteral("Sendet einen Testempfang mit \"test\": true an das gewählte Ziel."));
    grid->addWidget(open_, 3, 0);
    grid->addWidget(reload_, 3, 1);
    grid->addWidget(test_, 3, 2);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("AlarmZustand"));
    state_->setWordWrap(true);
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(state_, 4, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(2, 1);

    connect(open_, &QPushButton::clicked, this, &AlarmsSection::openFile);
    connect(reload_, &QPushButton::clicked, this, [this] {
        alarms_.rules().reload();
        refresh();
    });
    connect(test_, &QPushButton::clicked, this, &AlarmsSection::sendTest);
    connect(&timer_, &QTimer::timeout, this, &AlarmsSection::refresh);
    timer_.start(kRefreshMs);
    refresh();
}

void AlarmsSection::refresh() {
    alarms_.poll();
    const AlarmRules& rules = alarms_.rules().rules();
    rules_->setRowCount(static_cast<int>(rules.rules.size()));
    for (std::size_t i = 0; i < rules.rules.size(); ++i) {
        const AlarmRule& r = rules.rules[i];
        QStringList names;
        for (std::size_t t : r.targets) names << QString::fromStdString(rules.targets[t].name);
        setRow(rules_, static_cast<int>(i),
               {QString::fromStdString(r.name), names.join(QStringLiteral(", ")),
                r.active ? QStringLiteral("aktiv") : QStringLiteral("aus")});
    }
    const auto states = alarms_.dispatch().states();
    targets_->setRowCount(static_cast<int>(rules.targets.size()));
    for (std::size_t i = 0; i < rules.targets.size(); ++i) {
        const AlarmTarget& t = rules.targets[i];
        const AlarmTargetState* s = nullptr;
        for (const auto& st : states)
            if (st.name == t.name) s = &st;
        const QString last = s && s->lastDeliverySeconds > 0
                                 ? QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(s->lastDeliverySeconds * 1000))
                                       .toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                                 : QStringLiteral("–");
        setRow(targets_, static_cast<int>(i),
               {QString::fromStdString(t.name), QString::fromUtf8(kindName(t.kind)), last,
                QString::number(s ? s->waiting : 0), QString::number(s ? s->failed : 0),
                s ? QString::fromStdString(s->lastError) : QString()});
    }
    const auto& faults = alarms_.rules().faults();
    const QString text = faults.empty() ? note_ : QString::fromStdString(faults.front());
    QPalette p = state_->palette();
    p.setColor(QPalette::WindowText, faults.empty() ? palette().color(QPalette::WindowText) : Qt::red);
    state_->setPalette(p);
    if (state_->text() != text) state_->setText(text);
}

void AlarmsSection::openFile() {
    const std::string& path = alarms_.rules().path();
    if (!QFileInfo::exists(QString::fromStdString(path)) && !replaceFileBytes(path, kFirstFile)) {
        note_ = QStringLiteral("%1 nicht anlegbar.").arg(QString::fromStdString(path));
        refresh();
        return;
    }
    dialogs().openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void AlarmsSection::sendTest() {
    const int row = targets_->currentRow();
    const QTableWidgetItem* item = row >= 0 ? targets_->item(row, 0) : nullptr;
    if (!item) {
        note_ = QStringLiteral("Erst ein Ziel in der Liste wählen, dann \"Test senden\".");
        refresh();
        return;
    }
    if (alarms_.rules().sendTest(item->text().toStdString()))
        note_ = QStringLiteral("Test an \"%1\" gesendet; der Zustand steht in der Liste.").arg(item->text());
    refresh();
}

}  // namespace kub::ui
