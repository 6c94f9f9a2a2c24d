// The section "Verlauf": it shows what "Verlauf.toml" holds, writes it back with the
// operator's other lines kept, refuses an address that is none (said in red, no box), and
// draws its captions under the offscreen platform.
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

#include "history/history_settings.h"
#include "storage/text_file.h"
#include "ui/main_window.h"
#include "ui/settings_history.h"
#include "ui/settings_tab.h"
#include "ui_test_support.h"

namespace kub::test {
namespace {

TEST(HistorySection, ShowsTheFileWritesItBackAndRefusesABadAddress) {
    RecordingDialogs dialogs;
    ProgramFolder folder;
    const std::string path = folder.path() + "/Verlauf.toml";
    std::ofstream(path) << "# von Hand\naufbewahrung_tage = 30\n";
    ManualClock clock(testEpoch());
    ui::MainWindow w(folder.path(), clock);
    ui::HistorySection* s = w.historySection();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->retentionBox()->value(), 30);
    EXPECT_TRUE(s->urlEdit()->text().isEmpty());

    s->urlEdit()->setText(QStringLiteral("mysql://x/y"));
    QTest::mouseClick(s->saveButton(), Qt::LeftButton);
    EXPECT_TRUE(s->stateLabel()->text().contains(QStringLiteral("nicht gespeichert")));
    EXPECT_EQ(readDataFile(path).value_or(""), "# von Hand\naufbewahrung_tage = 30\n");

    s->retentionBox()->setValue(730);
    s->urlEdit()->setText(QStringLiteral("postgresql://kub@127.0.0.1:5432/verlauf"));
    QTest::mouseClick(s->saveButton(), Qt::LeftButton);
    std::vector<std::string> messages;
    const HistorySettings saved = loadHistorySettings(folder.path(), messages);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(saved.retentionDays, 730);
    EXPECT_EQ(saved.postgresUrl, "postgresql://kub@127.0.0.1:5432/verlauf");
    EXPECT_NE(readDataFile(path).value_or("").find("# von Hand"), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty()) << "no box";

    // Drawn where the list says: the last entry, with its captions on screen.
    w.show();
    w.tabs()->setCurrentIndex(2);
    ui::SettingsTab* tab = w.settingsTab();
    tab->sectionList()->setCurrentRow(ui::kSectionCount - 1);
    EXPECT_EQ(tab->sectionTitle()->text(), "Verlauf");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(s->isVisible());
    const QImage shot = s->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // Captions drawn: the picture is not one colour.
    const QRgb first = shot.pixel(0, 0);
    bool drawn = false;
    for (int y = 0; y < shot.height() && !drawn; y += 2)
        for (int x = 0; x < shot.width() && !drawn; x += 2) drawn = shot.pixel(x, y) != first;
    EXPECT_TRUE(drawn);
    EXPECT_GT(s->saveButton()->geometry().top(), s->urlEdit()->geometry().bottom() - 1);
}

}  // namespace
}  // namespace kub::test
