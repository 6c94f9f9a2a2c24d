// The housekeeping pass: alert entries age out after four minute boundaries, and a
// changed page is written and uploaded once, without losing a change made meanwhile.

#include <gtest/gtest.h>

#include "core/headless_window.h"
#include "common/time_text.h"
#include "web/housekeeping.h"

namespace kub {
namespace {

std::string entry(const std::string& text, const std::string& date) {
    return "04:33:51 " + text + "        \t" + date;
}

TEST(AlertAgeing, DateTextsAndMinuteBoundaries) {
    auto t = parseDateTimeText("07.12.2026 04:33:51");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->day, 7);
    EXPECT_EQ(t->month, 12);
    EXPECT_EQ(t->year, 2026);
    EXPECT_EQ(t->hour, 4);
    EXPECT_EQ(t->second, 51);
    t = parseDateTimeText("07.12.2026");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->hour, 0);
    EXPECT_FALSE(parseDateTimeText("Tonruf"));
    EXPECT_FALSE(parseDateTimeText("32.12.2026 04:33:51"));
    EXPECT_FALSE(parseDateTimeText(""));

    // Boundaries, not elapsed time: 04:33:59 to 04:34:00 is one.
    EXPECT_EQ(minuteBoundariesBetween({2026, 12, 7, 4, 33, 59}, {2026, 12, 7, 4, 34, 0}), 1);
    EXPECT_EQ(minuteBoundariesBetween({2026, 12, 31, 23, 58, 0}, {2027, 1, 1, 0, 2, 0}), 4);
    EXPECT_EQ(minuteBoundariesBetween({2028, 2, 28, 23, 59, 0}, {2028, 3, 1, 0, 0, 0}), 1441);
}

TEST(AlertAgeing, OldEntriesLeaveEmptiedListsTurnGrey) {
    HeadlessWindow w;
    for (const char* d : {"07.12.2026 04:29:00", "07.12.2026 04:29:59", "07.12.2026 04:30:00",
                          "07.12.2026 04:34:10"})
        w.appendAlertLine(AlertList::List2, entry("Florian 1", d));
    w.appendAlertLine(AlertList::List1, entry("Tonruf I", "07.12.2026 04:00:00"));
    w.appendAlertLine(AlertList::List3, entry("kaputt", "kein Datum"));
    w.setAlertListColour(AlertList::List1, 0x0000FF00);

    ageAlertLists(w, {2026, 12, 7, 4, 34, 30});
    // 04:29 lies five boundaries back: both entries of that minute go, in the same pass.
    ASSERT_EQ(w.alerts(AlertList::List2).lines.size(), 2u);
    EXPECT_NE(w.alerts(AlertList::List2).lines[0].find("04:30:00"), std::string::npos);
    EXPECT_TRUE(w.alerts(AlertList::List1).lines.empty());
    EXPECT_EQ(w.alerts(AlertList::List1).colour, 0x00E0E0E0u);
    EXPECT_EQ(w.alerts(AlertList::List3).lines.size(), 1u);  // unreadable date: kept
}

TEST(AlertAgeing, DateAloneIsMidnight) {
    HeadlessWindow w;
    w.appendAlertLine(AlertList::List2, entry("Florian 1", "07.12.2026"));
    ageAlertLists(w, {2026, 12, 7, 0, 4, 59});
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 1);
    ageAlertLists(w, {2026, 12, 7, 0, 5, 0});
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 0);
}

TEST(AlertAgeing, AnUnacknowledgedEmergencyCallStaysUntilAcknowledged) {
    HeadlessWindow w;
    w.appendAlertLine(AlertList::List3, entry("Florian 1 Notruf", "07.12.2026 04:00:00"));
    w.appendAlertLine(AlertList::List2, entry("Florian 1", "07.12.2026 04:00:00"));
    w.setAlertListColour(AlertList::List3, 0x0000FF00);
    ageAlertLists(w, {2026, 12, 8, 4, 0, 0});  // a day later
    EXPECT_EQ(w.alertLineCount(AlertList::List3), 1);
    EXPECT_EQ(w.alerts(AlertList::List3).colour, 0x0000FF00u);
    EXPECT_EQ(w.alertLineCount(AlertList::List2), 0);
}

class HousekeepingPass : public ::testing::Test {
protected:
    HeadlessWindow window;
    ManualClock clock{1764999967.0};
    Settings settings = defaultSettings();
    PageChangeFlag pageChange;
    std::vector<std::string> calls;
    std::function<void()> duringUpload;
    Housekeeping keeper{window, clock, settings, pageChange,
                        {[this] { calls.push_back("write"); },
                         [this] {
                             calls.push_back("upload");
                             if (duringUpload) duringUpload();
                         }}};
};

TEST_F(HousekeepingPass, ChangedPageIsWrittenThenUploadedOnce) {
    settings.htmlExport = 1;
    keeper.pass();
    EXPECT_TRUE(calls.empty());
    pageChange.markPageChanged();
    keeper.pass();
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "upload"}));
    EXPECT_FALSE(pageChange.pageChangedPending());
    keeper.pass();
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(HousekeepingPass, NothingWithTheHtmlExportOff) {
    pageChange.markPageChanged();
    keeper.pass();
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(pageChange.pageChangedPending());
}

TEST_F(HousekeepingPass, ReceptionDuringTheUploadIsNotForgotten) {
    settings.htmlExport = 1;
    pageChange.markPageChanged();
    // The upload lets events run: a reception marks the page changed, and the timer
    // comes due again.
    duringUpload = [this] {
        pageChange.markPageChanged();
        keeper.pass();
    };
    keeper.pass();
    EXPECT_EQ(calls, (std::vector<std::string>{"write", "upload"}));
    EXPECT_TRUE(pageChange.pageChangedPending());
    duringUpload = nullptr;
    keeper.pass();
    EXPECT_EQ(calls.size(), 4u);
    EXPECT_FALSE(pageChange.pageChangedPending());
}

}  // namespace
}  // namespace kub
