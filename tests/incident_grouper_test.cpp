// Pages and codes of one alarm become one incident: express alarms, the same text to
// several RICs, a second transmitter, ZVEI loops, a network paging 200 RICs, texts that
// differ by one character, a clock set back; and each incident out within a second of
// its window closing, after its pages, through every output.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "core/headless_window.h"
#include "core/reception_context.h"
#include "storage/day_log.h"
#include "storage/vehicle_table.h"
#include "storage/text_file.h"
#include "support/run_process.h"

namespace kub {
namespace {

// A page (ric set) or a ZVEI code, `at` seconds after the start.
struct Page {
    double at;
    std::string ric{};
    std::string text{};
    std::string code{};
    std::string channel = "right";
    std::string site{};
};

struct Recorder final : ReceptionOutput {
    const Clock* clock = nullptr;
    std::vector<ReceptionRecord> incidents;
    std::vector<double> handedOnAt;
    std::vector<std::string> order;  // protocol of everything, in order
    void deliver(const ReceptionRecord& r) override {
        order.push_back(protocolName(r.protocol));
        if (r.protocol != RecordProtocol::Einsatz) return;
        incidents.push_back(r);
        handedOnAt.push_back(clock->nowSeconds());
    }
};

constexpr double kStart = 1796738700;  // a Tuesday

struct Rig {
    ManualClock clock{kStart};
    HeadlessWindow window;
    ReceptionContext context{clock, window};
    Recorder out;
    OutputRegistration outReg = context.addOutput(out);
    Rig() { out.clock = &clock; }
    void page(const Page& p) {
        ReceptionRecord r = context.newRecord(p.code.empty() ? RecordProtocol::Pocsag : RecordProtocol::Zvei,
                                              p.channel.c_str());
        r.ric = p.ric;
        r.function = p.ric.empty() ? -1 : 3;
        r.code = p.code;
        r.text = p.text;
        r.site = p.site;
        r.name = "Einheit " + p.ric + p.code;
        context.handOn(r);
    }
    // The pages at their times, ticking every quarter second as the blocks do, and on
    // until a minute and a half after the last.
    void run(const std::vector<Page>& pages) {
        std::size_t next = 0;
        const double end = kStart + (pages.empty() ? 0 : pages.back().at) + 90;
        for (; clock.nowSeconds() < end; clock.advance(0.25)) {
            while (next < pages.size() && kStart + pages[next].at <= clock.nowSeconds()) page(pages[next++]);
            context.incidents.tick();
        }
    }
};

std::vector<Page> manyRics(int count, double every, const std::string& text) {
    std::vector<Page> pages;
    for (int i = 0; i < count; ++i) pages.push_back({i * every, std::to_string(1200000 + i), text});
    return pages;
}

TEST(IncidentGrouping, PagesOfOneAlarmBecomeOneIncident) {
    struct Expected {
        std::size_t units;
        std::string text;
        std::vector<std::string> channels;
        std::vector<std::string> sites;
    };
    struct Case {
        const char* what;
        std::vector<Page> pages;
        std::vector<Expected> incidents;
    };
    const std::string fire = "B3 Brand Wohnhaus Hauptstr. 5";
    const std::vector<Case> cases = {
        {"express alarm: tone-only pages, then the text",
         {{0, "1000001", ""}, {0.4, "1000002", ""}, {0.8, "1000003", ""}, {1.2, "1000004", fire}},
         {{4, fire, {"right"}, {}}}},
        {"the same text to four RICs",
         {{0, "1000001", fire}, {0.5, "1000002", fire}, {1, "1000003", fire}, {1.5, "1000004", fire}},
         {{4, fire, {"right"}, {}}}},
        {"a second transmitter 5 s later, on the other channel and at another site",
         {{0, "1000001", fire}, {0.5, "1000002", fire}, {5, "1000001", fire, "", "left"},
          {5.5, "1000002", " B3  Brand Wohnhaus Hauptstr. 5", "", "right", "Nord"}},
         {{2, fire, {"right", "left"}, {"Nord"}}}},
        {"two alarms 15 s apart",
         {{0, "1000001", fire}, {15, "1000002", "THL1 VU PKW B27"}},
         {{1, fire, {"right"}, {}}, {1, "THL1 VU PKW B27", {"right"}, {}}}},
        {"texts that differ by one character are two alarms",
         {{0, "1000001", "B3 Brand Hauptstr. 5"}, {1, "1000002", "B3 Brand Hauptstr. 6"}},
         {{1, "B3 Brand Hauptstr. 5", {"right"}, {}}, {1, "B3 Brand Hauptstr. 6", {"right"}, {}}}},
        {"a ZVEI loop",
         {{0, "", "", "25431"}, {1.2, "", "", "25432"}, {2.4, "", "", "25433"}, {3.6, "", "", "25434"}},
         {{4, "", {"right"}, {}}}},
        {"200 RICs within 50 s", manyRics(200, 0.25, fire), {{200, fire, {"right"}, {}}}},
        {"pages beyond a minute start the next incident", manyRics(80, 1, fire),
         {{60, fire, {"right"}, {}}, {20, fire, {"right"}, {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.run(c.pages);
        ASSERT_EQ(rig.out.incidents.size(), c.incidents.size());
        for (std::size_t i = 0; i < c.incidents.size(); ++i) {
            const ReceptionRecord& got = rig.out.incidents[i];
            EXPECT_EQ(got.einheiten.size(), c.incidents[i].units);
            EXPECT_EQ(got.text, c.incidents[i].text);
            EXPECT_EQ(got.channels, c.incidents[i].channels);
            EXPECT_EQ(got.sites, c.incidents[i].sites);
            EXPECT_EQ(got.incidentId, i + 1);
        }
        // Every incident after its pages.
        EXPECT_EQ(rig.out.order.back(), "einsatz");
    }
}

TEST(IncidentGrouping, AnIncidentIsOutWithinASecondOfItsWindow) {
    struct Case {
        const char* what;
        std::vector<Page> pages;
        double closes;  // seconds after the first page
    };
    const std::vector<Case> cases = {
        {"one page: the window", {{0, "1000001", "F2 Kamin"}}, 10},
        {"pages within 3 s extend it", manyRics(6, 2.5, "x"), 15.5},
        {"never past a minute", manyRics(70, 1, "x"), 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.run(c.pages);
        ASSERT_FALSE(rig.out.incidents.empty());
        const double late = rig.out.handedOnAt.front() - (kStart + c.closes);
        EXPECT_GE(late, 0);
        EXPECT_LE(late, 1);
    }
}

TEST(IncidentGrouping, AClockSetBackClosesWhatIsOpen) {
    Rig rig;
    rig.page({0, "1000001", "H1 Ölspur"});
    rig.clock.advance(-3600);
    rig.context.incidents.tick();
    EXPECT_EQ(rig.out.incidents.size(), 1u);
}

TEST(IncidentGrouping, TheIncidentGoesToTheDayLogAndItsSwitchedExports) {
    Rig rig;
    const std::string folder = kubtest::makeTempDir("kub-incident");
    createProgramFolders(folder);
    rig.context.programFolder = folder;
    rig.context.exportLines = &rig.window;
    AlarmSettings s;
    s.exportLine = true;
    rig.context.incidents.configure(s);
    rig.run({{0, "1000001", ""}, {1, "1000002", "B3\tBrand Wohnhaus"}});
    const auto log = readTextLines(dayLogPath(folder, LogKind::Einsatz, rig.clock.now()));
    ASSERT_TRUE(log);
    ASSERT_EQ(log->size(), 1u);
    EXPECT_EQ(log->front(), dateTimeText(toLocalTime(kStart)) +
                                "\tB3\t1000001 Einheit 1000001, 1000002 Einheit 1000002\tB3 Brand Wohnhaus");
    EXPECT_EQ(rig.window.receptionLines.back(), "##EINSATZ#B3#1000001,1000002#B3\tBrand Wohnhaus#+");
    kubtest::removeTree(folder);
}

}  // namespace
}  // namespace kub
