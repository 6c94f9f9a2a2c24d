// Each kind of reception record as a JSON line: the field names scripts rely on, numbers
// as numbers, and radio text that a consumer can always read (umlauts, quotes,
// backslashes, control characters, "<127>", bytes that are not UTF-8).

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "core/record_json.h"

namespace {

using nlohmann::json;

kub::ReceptionRecord base(kub::RecordProtocol p) {
    kub::ReceptionRecord r;
    r.time = "2026-12-08T13:05:07+01:00";
    r.channel = "right";
    r.protocol = p;
    return r;
}

TEST(RecordJson, EveryProtocolIsOneParsableLineWithItsFields) {
    struct Case {
        const char* what;
        kub::ReceptionRecord record;
        json expected;
    };
    std::vector<Case> cases;

    auto fms = base(kub::RecordProtocol::Fms);
    fms.line = "##FMS#62341234#3#01#+";
    fms.kennung = "62341234";
    fms.status = 3;
    fms.tki = 0;
    fms.direction = 1;
    fms.text = "Einsatz \"Mühle\"\tC:\\Wache\r\n";
    fms.vehicle = "Florian Süd 1/46-1";
    fms.info = "HLF \\ Drehleiter";
    cases.push_back({"fms", fms,
                     json{{"time", fms.time}, {"channel", "right"}, {"protocol", "fms"}, {"line", fms.line},
                          {"kennung", "62341234"}, {"status", 3}, {"tki", 0}, {"direction", 1},
                          {"text", fms.text}, {"vehicle", fms.vehicle}, {"info", fms.info}}});

    auto zvei = base(kub::RecordProtocol::Zvei);
    zvei.line = "##ZVEI#12345#Wehr \"Öde\" (LF 1) #+";
    zvei.code = "12345";
    zvei.name = "Wehr \"Öde\" (LF 1) ";
    cases.push_back({"zvei", zvei,
                     json{{"time", zvei.time}, {"channel", "right"}, {"protocol", "zvei"}, {"line", zvei.line},
                          {"code", "12345"}, {"name", zvei.name}}});

    auto poc = base(kub::RecordProtocol::Pocsag);
    poc.text = std::string("Brand <127> \x01\x1f Straße \\ \"3\"");
    poc.line = "##POC#1234567#3#" + poc.text + "#+";
    poc.ric = "1234567";
    poc.function = 3;
    poc.name = "Zug ä";
    cases.push_back({"pocsag", poc,
                     json{{"time", poc.time}, {"channel", "right"}, {"protocol", "pocsag"}, {"line", poc.line},
                          {"ric", "1234567"}, {"function", 3}, {"text", poc.text}, {"name", "Zug ä"}}});

    // A byte that is no UTF-8 becomes U+FFFD; the rest of the text stays.
    auto broken = poc;
    broken.text = "Halle \xE4 Nord";
    broken.line.clear();
    json brokenExpected = cases.back().expected;
    brokenExpected["text"] = "Halle \xEF\xBF\xBD Nord";
    brokenExpected["line"] = "";
    cases.push_back({"pocsag, not UTF-8", broken, brokenExpected});

    auto tone = base(kub::RecordProtocol::Tonruf);
    tone.channel = "left";
    tone.tone = "II";
    cases.push_back({"tonruf", tone,
                     json{{"time", tone.time}, {"channel", "left"}, {"protocol", "tonruf"}, {"line", ""},
                          {"tone", "II"}}});

    auto secret = poc;
    secret.verschluesselt = true;
    json secretExpected = cases[2].expected;
    secretExpected["verschluesselt"] = true;
    cases.push_back({"pocsag, encrypted", secret, secretExpected});

    auto incident = base(kub::RecordProtocol::Einsatz);
    incident.incidentId = 7;
    incident.einheiten = {{"1234567", 3, "", "Zug ä", 0x0000FFu}, {"", -1, "25431", "Wehr Nord", 0xC0C0C0u}};
    incident.text = "B3 Brand Wohnhaus";
    incident.felder = {{"stichwort", "B3"}, {"adresse", "Hauptstr. 5"}};
    incident.channels = {"right", "left"};
    incident.sites = {"Nord"};
    incident.probealarm = true;
    cases.push_back(
        {"einsatz", incident,
         json{{"time", incident.time}, {"channel", "right"}, {"protocol", "einsatz"}, {"line", ""}, {"id", 7},
              {"einheiten", json::array({json{{"ric", "1234567"}, {"function", 3}, {"name", "Zug ä"}, {"colour", "#FF0000"}},
                                         json{{"code", "25431"}, {"name", "Wehr Nord"}, {"colour", "#C0C0C0"}}})},
              {"text", "B3 Brand Wohnhaus"}, {"felder", json{{"stichwort", "B3"}, {"adresse", "Hauptstr. 5"}}},
              {"channels", json::array({"right", "left"})}, {"sites", json::array({"Nord"})},
              {"probealarm", true}, {"verschluesselt", false}}});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string line = kub::recordJson(c.record);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
        const json parsed = json::parse(line);
        EXPECT_EQ(parsed, c.expected);
        // Field order as documented: time first, the protocol's own fields after the line.
        EXPECT_EQ(line.rfind("{\"time\":", 0), 0u);
    }
}

}  // namespace
