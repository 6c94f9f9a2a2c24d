// The handle that keeps an output on the reception list, and the one parser of command
// lines and numbers.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/command_options.h"
#include "common/decimal_number.h"
#include "common/whole_number.h"
#include "core/headless_window.h"
#include "core/reception_context.h"

namespace kub {
namespace {

struct Counter final : ReceptionOutput {
    int records = 0;
    void deliver(const ReceptionRecord&) override { ++records; }
};

// Registered in a scope left early, as a start-up that gives up half-way leaves it.
bool startAndGiveUp(ReceptionContext& context, Counter& out, bool giveUp) {
    const OutputRegistration reg = context.addOutput(out);
    if (giveUp) return false;
    context.handOn(context.newRecord(RecordProtocol::Fms, "left"));
    return true;
}

TEST(OutputRegistration, AnOutputIsHandedRecordsExactlyWhileItsHandleLives) {
    ManualClock clock(1796738700);
    HeadlessWindow window;
    ReceptionContext context(clock, window);
    const std::size_t own = context.outputs.size();
    Counter a, b;
    {
        OutputRegistration regA = context.addOutput(a);
        OutputRegistration moved = context.addOutput(b);
        OutputRegistration regB = std::move(moved);
        EXPECT_FALSE(moved.active());
        context.handOn(context.newRecord(RecordProtocol::Fms, "left"));
        regA.reset();
        context.handOn(context.newRecord(RecordProtocol::Fms, "left"));
        EXPECT_EQ(context.outputs.size(), own + 1);
    }
    EXPECT_EQ(context.outputs.size(), own);
    EXPECT_EQ(a.records, 1);
    EXPECT_EQ(b.records, 2);

    EXPECT_FALSE(startAndGiveUp(context, a, true));
    EXPECT_TRUE(startAndGiveUp(context, a, false));
    EXPECT_FALSE(context.outputs.contains(a));
    EXPECT_EQ(a.records, 2);
}

TEST(WholeNumbers, OnlyDigitsWithinTheBoundsAreANumber) {
    const struct {
        const char* text;
        std::optional<long> expected;
    } cases[] = {{"60", 60},        {"-1", -1},         {"0", 0},           {"86401", std::nullopt},
                 {"12abc", std::nullopt}, {" 12", std::nullopt}, {"+5", std::nullopt}, {"", std::nullopt},
                 {"99999999999999999999999", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(wholeNumber(c.text, -1, 86400), c.expected) << c.text;
}

TEST(DecimalNumbers, OnlyAPointNumberWithinTheBoundsIsANumber) {
    const struct {
        const char* text;
        std::optional<double> expected;
    } cases[] = {{"0.5", 0.5},           {"-3", -3.0},           {"1e-3", 0.001},       {".5", 0.5},
                 {"10", 10.0},           {"10.1", std::nullopt}, {"1,5", std::nullopt}, {"+1", std::nullopt},
                 {" 1", std::nullopt},   {"1 ", std::nullopt},   {"inf", std::nullopt}, {"nan", std::nullopt},
                 {"0x1", std::nullopt},  {"", std::nullopt},     {"1e999", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(decimalNumber(c.text, -5, 10), c.expected) << c.text;
}

TEST(CommandOptions, FlagsValuesAndWordsInAnyOrderAndTheFirstFaultSaid) {
    using Kind = CommandOptions::Refusal::Kind;
    struct Parsed {
        bool json = false;
        std::string folder;
        int minutes = 5;
        double snr = 0;
        std::string script;
        std::vector<std::string> words;
    };
    auto parse = [](const std::vector<std::string>& args, Parsed& p) {
        CommandOptions o;
        o.flag("--json", p.json).text("--folder", p.folder).words(p.words);
        o.number("--stille", p.minutes, 1, 99999, "--stille erwartet Minuten von 1 bis 99999");
        o.decimal("--snr", p.snr, -99, 99, "--snr erwartet Dezibel");
        o.attached("-s:", [&p](const std::string& v) {
            p.script = v;
            return std::string(v.empty() ? "-s: ohne Skript" : "");
        });
        return o.parse(args);
    };
    Parsed p;
    EXPECT_FALSE(parse({"a.wav", "--stille", "7", "--json", "-", "--snr", "-2.5", "-s:C:\\up.dat", "--folder", "/srv/kub"}, p));
    EXPECT_TRUE(p.json);
    EXPECT_EQ(p.folder, "/srv/kub");
    EXPECT_EQ(p.minutes, 7);
    EXPECT_EQ(p.snr, -2.5);
    EXPECT_EQ(p.script, "C:\\up.dat");
    EXPECT_EQ(p.words, (std::vector<std::string>{"a.wav", "-"}));

    const struct {
        std::vector<std::string> args;
        Kind kind;
        std::string text;
    } refused[] = {{{"--jsn"}, Kind::Unknown, "--jsn"},
                   {{"--folder"}, Kind::NoValue, "--folder"},
                   {{"--stille", "0", "--jsn"}, Kind::BadValue, "--stille erwartet Minuten von 1 bis 99999"},
                   {{"--snr", "3dB"}, Kind::BadValue, "--snr erwartet Dezibel"},
                   {{"-s:"}, Kind::BadValue, "-s: ohne Skript"},
                   {{"-s"}, Kind::Unknown, "-s"}};
    for (const auto& r : refused) {
        Parsed q;
        const auto got = parse(r.args, q);
        ASSERT_TRUE(got) << r.text;
        EXPECT_EQ(got->kind, r.kind) << r.text;
        EXPECT_EQ(got->text, r.text);
    }
}

}  // namespace
}  // namespace kub
