// The reception history against both of its stores, a real "Verlauf.sqlite" and a real
// PostgreSQL server on loopback: every record kind comes back whole, the searches find
// what they should (newest first, in pages), the same reception is kept once, day logs
// read in twice give the same rows, old rows go, and search words are only ever words.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "common/time_text.h"
#include "history/day_log_import.h"
#include "history/history_sql.h"
#include "history/postgres_history.h"
#include "history/stored_record.h"
#include "history/sqlite_history.h"
#include "storage/day_log.h"
#include "support/postgres_server.h"
#include "support/run_process.h"

namespace {

using kub::RecordProtocol;
using kub::ReceptionRecord;

constexpr double kDay = 86400;
// 08.12.2026 12:00 UTC
constexpr double kNoon = 1796731200;

ReceptionRecord at(double seconds, RecordProtocol p) {
    ReceptionRecord r;
    r.seconds = seconds;
    r.time = kub::isoTimeText(seconds);
    r.protocol = p;
    r.channel = "left";
    return r;
}

ReceptionRecord page(double seconds, const std::string& ric, const std::string& text) {
    ReceptionRecord r = at(seconds, RecordProtocol::Pocsag);
    r.ric = ric;
    r.function = 3;
    r.text = text;
    r.row = ric + "\t3\tWache 1\t" + kub::dateTimeText(kub::toLocalTime(seconds)) + "\t" + text;
    return r;
}

ReceptionRecord status(double seconds, const std::string& kennung, int s) {
    ReceptionRecord r = at(seconds, RecordProtocol::Fms);
    r.kennung = kennung;
    r.status = s;
    r.tki = 0;
    r.direction = 0;
    r.row = "?\tx\t" + kennung + "\t" + std::to_string(s) + "\t0\tFzg->Lst\t" +
            kub::dateTimeText(kub::toLocalTime(seconds)) + "\t";
    return r;
}

// Every field, one by one: a field the store forgot fails here by name.
void expectSame(const ReceptionRecord& a, const ReceptionRecord& b) {
    EXPECT_EQ(a.time, b.time);
    EXPECT_EQ(a.seconds, b.seconds);
    EXPECT_EQ(a.channel, b.channel);
    EXPECT_EQ(a.protocol, b.protocol);
    EXPECT_EQ(a.line, b.line);
    EXPECT_EQ(a.row, b.row);
    EXPECT_EQ(a.colour, b.colour);
    EXPECT_EQ(a.kennung, b.kennung);
    EXPECT_EQ(a.status, b.status);
    EXPECT_EQ(a.tki, b.tki);
    EXPECT_EQ(a.direction, b.direction);
    EXPECT_EQ(a.vehicle, b.vehicle);
    EXPECT_EQ(a.info, b.info);
    EXPECT_EQ(a.statusStored, b.statusStored);
    EXPECT_EQ(a.slot, b.slot);
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.code, b.code);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.receiverListed, b.receiverListed);
    EXPECT_EQ(a.ric, b.ric);
    EXPECT_EQ(a.function, b.function);
    EXPECT_EQ(a.tone, b.tone);
    EXPECT_EQ(a.site, b.site);
    EXPECT_EQ(a.verschluesselt, b.verschluesselt);
    ASSERT_EQ(a.einheiten.size(), b.einheiten.size());
    for (std::size_t i = 0; i < a.einheiten.size(); ++i) {
        EXPECT_EQ(a.einheiten[i].ric, b.einheiten[i].ric);
        EXPECT_EQ(a.einheiten[i].function, b.einheiten[i].function);
        EXPECT_EQ(a.einheiten[i].code, b.einheiten[i].code);
        EXPECT_EQ(a.einheiten[i].name, b.einheiten[i].name);
        EXPECT_EQ(a.einheiten[i].colour, b.einheiten[i].colour);
    }
    EXPECT_EQ(a.felder, b.felder);
    EXPECT_EQ(a.channels, b.channels);
    EXPECT_EQ(a.sites, b.sites);
    EXPECT_EQ(a.probealarm, b.probealarm);
    EXPECT_EQ(a.incidentId, b.incidentId);
}

struct SqliteStore {
    static std::unique_ptr<kub::HistoryStore> make(const std::string& dir, std::string&) {
        return std::make_unique<kub::SqliteHistory>(dir + "/" + kub::kHistoryFileName);
    }
};

struct PostgresStore {
    static std::unique_ptr<kub::HistoryStore> make(const std::string&, std::string& skip) {
        auto& server = kubtest::TestPostgres::shared();
        skip = server.unavailable();
        const std::string url = skip.empty() ? server.newDatabase() : "";
        if (skip.empty() && url.empty()) skip = "keine Datenbank anlegbar";
        return skip.empty() ? std::make_unique<kub::PostgresHistory>(url) : nullptr;
    }
};

template <typename Kind>
class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = kubtest::makeTempDir("kub-history");
        std::string skip;
        store = Kind::make(dir, skip);
        if (!skip.empty()) GTEST_SKIP() << "PostgreSQL-Tests übersprungen: " << skip;
        ASSERT_EQ(store->open(), "");
    }
    void TearDown() override {
        store.reset();
        kubtest::removeTree(dir);
    }
    std::vector<ReceptionRecord> find(kub::HistoryQuery q) {
        std::vector<ReceptionRecord> out;
        EXPECT_EQ(store->find(q, out), "");
        return out;
    }
    std::vector<std::string> texts(const kub::HistoryQuery& q) {
        std::vector<std::string> out;
        for (const auto& r : find(q)) out.push_back(r.text.empty() ? r.kennung + r.code + r.tone : r.text);
        return out;
    }

    std::string dir;
    std::unique_ptr<kub::HistoryStore> store;
};

using StoreKinds = ::testing::Types<SqliteStore, PostgresStore>;
class KindNames {
public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, SqliteStore> ? "Sqlite" : "Postgres";
    }
};
TYPED_TEST_SUITE(HistoryStoreTest, StoreKinds, KindNames);

TYPED_TEST(HistoryStoreTest, EveryRecordKindComesBackWhole) {
    ReceptionRecord fms = status(kNoon + 0.25, "62341110", 3);
    fms.line = "##FMS#62341110#3#00#+";
    fms.vehicle = "Florian Musterstadt 40/1";
    fms.info = "HLF 20";
    fms.statusStored = true;
    fms.slot = 17;
    fms.text = "Fahrt\x01 mit \xC3\xBC";
    ReceptionRecord zvei = at(kNoon + 1, RecordProtocol::Zvei);
    zvei.code = "25431";
    zvei.name = "FF Musterstadt";
    zvei.receiverListed = true;
    zvei.colour = 0x00FF8000;
    zvei.row = "25431\tFF Musterstadt\t08.12.2026 13:00:01";
    ReceptionRecord poc = page(kNoon + 2, "1234567", "B3 Brand Wohnhaus – Hauptstraße 12");
    poc.verschluesselt = true;
    poc.channel = "right";
    ReceptionRecord tone = at(kNoon + 3.5, RecordProtocol::Tonruf);
    tone.tone = "II";
    ReceptionRecord remote = page(kNoon + 4, "1300100", "RD 1 Sturz");
    remote.site = "Wache Nord";
    remote.sites = {"Wache Nord", "hier"};
    ReceptionRecord incident = at(kNoon + 5, RecordProtocol::Einsatz);
    incident.incidentId = 42;
    incident.text = "B3 Brand";
    incident.einheiten = {{"1234567", 3, "", "Wache 1", 0x00E0E0E0}, {"", -1, "25431", "FF", 0x000000FF}};
    incident.felder = {{"stichwort", "B3"}, {"adresse", "Hauptstr. 5"}};
    incident.channels = {"left", "right"};
    incident.sites = {"Wache Nord"};
    incident.probealarm = true;
    incident.row = "08.12.2026 13:00:05\tB3\t1234567 Wache 1, 25431 FF\t[Probealarm] B3 Brand";
    const std::vector<ReceptionRecord> all = {fms, zvei, poc, tone, remote, incident};
    ASSERT_EQ(this->store->write(all), "");
    kub::HistoryQuery q;
    q.oldestFirst = true;
    const auto back = this->find(q);
    ASSERT_EQ(back.size(), all.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(i);
        // The control character and the umlaut went in as they were.
        expectSame(back[i], all[i]);
    }
}

TYPED_TEST(HistoryStoreTest, FiltersFindWhatTheyName) {
    ReceptionRecord other = page(kNoon + 50, "1234567", "Probealarm Gruppe 1");
    other.site = "Wache Nord";
    other.channel = "right";
    ReceptionRecord zvei = at(kNoon + 60, RecordProtocol::Zvei);
    zvei.code = "25431";
    zvei.row = "25431\t\tx";
    ASSERT_EQ(this->store->write({page(kNoon - kDay, "1234567", "Brand Scheune gestern"),
                                  page(kNoon, "1234567", "B3 Brand Wohnhaus Hauptstraße"),
                                  page(kNoon + 10, "7654321", "RD Sturz Person"), status(kNoon + 20, "62341110", 3),
                                  status(kNoon + 30, "62341140", 4), status(kNoon + 40, "52341183", 3), other, zvei}),
              "");
    struct Case {
        const char* name;
        kub::HistoryQuery query;
        std::vector<std::string> expected;  // newest first
    };
    using Q = kub::HistoryQuery;
    auto with = [](auto set) {
        Q x;
        set(x);
        return x;
    };
    const std::string wohnhaus = "B3 Brand Wohnhaus Hauptstraße", gestern = "Brand Scheune gestern";
    const Case cases[] = {
        {"ric", with([](Q& x) { x.ric = "1234567"; }), {"Probealarm Gruppe 1", wohnhaus, gestern}},
        {"ric from inclusive, to exclusive", with([](Q& x) {
             x.ric = "1234567";
             x.fromSeconds = kNoon - 1;
             x.toSeconds = kNoon + 50;
         }),
         {wohnhaus}},
        {"kennung wildcard", with([](Q& x) { x.kennung = "6234*"; }), {"62341140", "62341110"}},
        {"kennung without wildcard is whole", with([](Q& x) { x.kennung = "6234"; }), {}},
        {"kennung wildcard first", with([](Q& x) { x.kennung = "*83"; }), {"52341183"}},
        {"protocol and limit", with([](Q& x) {
             x.protocol = RecordProtocol::Fms;
             x.limit = 1;
         }),
         {"52341183"}},
        {"code", with([](Q& x) { x.code = "25431"; }), {"25431"}},
        {"channel", with([](Q& x) { x.channel = "right"; }), {"Probealarm Gruppe 1"}},
        {"site", with([](Q& x) { x.site = "Wache Nord"; }), {"Probealarm Gruppe 1"}},
        {"a word, any case", with([](Q& x) { x.words = "brand"; }), {wohnhaus, gestern}},
        {"a word before a time, that time not included", with([](Q& x) {
             x.words = "brand";
             x.toSeconds = kNoon;
         }),
         {gestern}},
        {"a word from a time on, that time included", with([](Q& x) {
             x.words = "brand";
             x.fromSeconds = kNoon;
         }),
         {wohnhaus}},
        {"every word, the start of a word", with([](Q& x) { x.words = "Brand hauptstr"; }), {wohnhaus}},
        {"every word, not any", with([](Q& x) { x.words = "Brand Sturz"; }), {}},
        {"no other spelling", with([](Q& x) { x.words = "HAUPTSTRASSE"; }), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(this->texts(c.query), c.expected);
    }
}

TYPED_TEST(HistoryStoreTest, NewestFirstInPages) {
    std::vector<ReceptionRecord> records;
    for (int i = 0; i < 25; ++i) records.push_back(page(kNoon + i, "1000000", "Seite " + std::to_string(i)));
    // Written out of order: the order is the time's, not the writing's.
    std::reverse(records.begin(), records.begin() + 10);
    ASSERT_EQ(this->store->write(records), "");
    kub::HistoryQuery q;
    q.limit = 10;
    q.offset = 10;
    const auto second = this->texts(q);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(second.front(), "Seite 14");
    EXPECT_EQ(second.back(), "Seite 5");
    q.offset = 20;
    EXPECT_EQ(this->texts(q).size(), 5u);
    q.oldestFirst = true;
    q.offset = 0;
    q.limit = 2;
    EXPECT_EQ(this->texts(q), (std::vector<std::string>{"Seite 0", "Seite 1"}));
}

TYPED_TEST(HistoryStoreTest, TheSameReceptionIsKeptOnce) {
    const std::vector<ReceptionRecord> batch = {page(kNoon, "1234567", "B3 Brand"), status(kNoon, "62341110", 3)};
    ASSERT_EQ(this->store->write(batch), "");
    ASSERT_EQ(this->store->write(batch), "");
    // Two different pages in the same second stay two; so does the same page heard on the
    // other receiver, while a row without a channel (as a day log gives it) is none new.
    ASSERT_EQ(this->store->write({page(kNoon, "1234567", "B3 Brand, Nachtrag")}), "");
    ReceptionRecord right = batch[0], unnamed = batch[0];
    right.channel = "right";
    unnamed.channel.clear();
    ASSERT_EQ(this->store->write({right, unnamed, right}), "");
    EXPECT_EQ(this->find({}).size(), 4u);
}

TYPED_TEST(HistoryStoreTest, DayLogsReadInTwiceGiveTheSameRows) {
    const std::string folder = this->dir + "/wache";
    std::filesystem::create_directories(folder + "/Logbuch");
    const kub::LocalTime day = kub::toLocalTime(kNoon);
    const std::string t = kub::dateTimeText(day);
    std::ofstream(kub::dayLogPath(folder, kub::LogKind::Pocsag, day), std::ios::binary)
        << "1234567\t3\tWache 1\t" << t << "\tB3 Brand, Hauptstr. 5\r\n"
        << "kaputt\r\n"
        << "7654321\t0\t\t" << t << "\t\r\n";
    std::ofstream(kub::dayLogPath(folder, kub::LogKind::Fms, day), std::ios::binary)
        << "Florian 40/1\tHLF\t62341110\t3\t0\tFzg->Lst\t" << t << "\t\r\n";
    std::ofstream(kub::dayLogPath(folder, kub::LogKind::Zvei, day), std::ios::binary)
        << "25431\tFF Musterstadt\t" << t << "\r\n";
    // The same page as it went to the history live, before the import.
    ASSERT_EQ(this->store->write({page(kNoon + 0.4, "1234567", "B3 Brand, Hauptstr. 5")}), "");
    const auto first = kub::importDayLogs(folder, *this->store);
    EXPECT_EQ(first.error, "");
    EXPECT_EQ(first.files, 3u);
    EXPECT_EQ(first.records, 4u);
    EXPECT_EQ(first.skipped, 1u);
    const auto second = kub::importDayLogs(folder, *this->store);
    EXPECT_EQ(second.records, 4u);
    const auto rows = this->find({});
    ASSERT_EQ(rows.size(), 4u);
    kub::HistoryQuery fms;
    fms.kennung = "62341110";
    const auto vehicle = this->find(fms);
    ASSERT_EQ(vehicle.size(), 1u);
    EXPECT_EQ(vehicle[0].vehicle, "Florian 40/1");
    EXPECT_EQ(vehicle[0].status, 3);
    EXPECT_EQ(vehicle[0].seconds, kNoon);
}

// A day log may be dated up to the year 9999; such rows are kept and found like any other.
TYPED_TEST(HistoryStoreTest, ReceptionsFarAheadAreKeptAndFound) {
    constexpr double kYear9999 = 253370764800;  // 01.01.9999 UTC
    ASSERT_EQ(this->store->write({page(kYear9999, "1", "Brand fern"), page(kYear9999 + 60, "1", "Brand ferner"),
                                  page(kNoon, "1", "Brand heute")}),
              "");
    kub::HistoryQuery q;
    q.words = "Brand";
    EXPECT_EQ(this->texts(q), (std::vector<std::string>{"Brand ferner", "Brand fern", "Brand heute"}));
    q.fromSeconds = kYear9999;
    EXPECT_EQ(this->texts(q).size(), 2u);
}

TYPED_TEST(HistoryStoreTest, OldRowsGo) {
    ASSERT_EQ(this->store->write({page(kNoon - 40 * kDay, "1", "alt"), page(kNoon - 29 * kDay, "1", "neuer"),
                                  page(kNoon, "1", "heute")}),
              "");
    ASSERT_EQ(this->store->removeBefore(kNoon - 30 * kDay), "");
    EXPECT_EQ(this->texts({}), (std::vector<std::string>{"heute", "neuer"}));
    // The text index forgot the deleted row too.
    kub::HistoryQuery q;
    q.words = "alt";
    EXPECT_TRUE(this->texts(q).empty());
}

TYPED_TEST(HistoryStoreTest, SearchWordsAreOnlyWords) {
    const std::string nasty = "'; DROP TABLE verlauf; -- \"Brand\" NEAR(a b) OR * AND ^x";
    ASSERT_EQ(this->store->write({page(kNoon, "1234567", nasty), page(kNoon + 1, "1234567", "Brand")}), "");
    for (const std::string& words : {nasty, std::string("\""), std::string("'"), std::string("a:* & !b | ("),
                                    std::string("OR"), std::string("*"), std::string("%_\\")}) {
        SCOPED_TRACE(words);
        kub::HistoryQuery q;
        q.words = words;
        std::vector<ReceptionRecord> out;
        EXPECT_EQ(this->store->find(q, out), "");
        for (const auto& r : out) EXPECT_EQ(r.text, nasty);
    }
    kub::HistoryQuery q;
    q.words = "DROP TABLE verlauf";
    EXPECT_EQ(this->texts(q), std::vector<std::string>{nasty});
    q.words = "\"Brand\"";
    EXPECT_EQ(this->texts(q).size(), 2u);
    // A RIC or Kennung with SQL in it is a RIC that is not there.
    q = {};
    q.ric = "1' OR '1'='1";
    EXPECT_TRUE(this->texts(q).empty());
    q = {};
    q.kennung = "%";
    EXPECT_TRUE(this->texts(q).empty());
    EXPECT_EQ(this->find({}).size(), 2u);
}

// A "Verlauf.sqlite" of the first version: one row per key whatever the channel, row ids
// in the order written.
TEST(SqliteHistoryVersions, AFileOfTheFirstVersionIsTakenOverWhole) {
    const std::string dir = kubtest::makeTempDir("kub-history-v1");
    const std::string path = dir + "/" + kub::kHistoryFileName;
    const ReceptionRecord older = page(kNoon - kDay, "1234567", "Brand Scheune"),
                          newer = page(kNoon, "1234567", "Brand Wohnhaus");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    std::string sql = R"(
CREATE TABLE verlauf (id INTEGER PRIMARY KEY, schluessel TEXT NOT NULL UNIQUE, sekunden REAL NOT NULL,
  protokoll TEXT NOT NULL, kanal TEXT NOT NULL, standort TEXT NOT NULL, ric TEXT NOT NULL, kennung TEXT NOT NULL,
  code TEXT NOT NULL, status INTEGER NOT NULL, text TEXT NOT NULL, datensatz TEXT NOT NULL);
CREATE INDEX verlauf_sekunden ON verlauf(sekunden);
CREATE INDEX verlauf_ric ON verlauf(ric, sekunden);
CREATE VIRTUAL TABLE verlauf_text USING fts5(text, content='verlauf', content_rowid='id', tokenize='unicode61');
CREATE TRIGGER verlauf_text_neu AFTER INSERT ON verlauf WHEN new.text <> '' BEGIN
  INSERT INTO verlauf_text(rowid, text) VALUES (new.id, new.text); END;
PRAGMA user_version = 1;
)";
    // The newer page written first: its old id is the smaller.
    for (const ReceptionRecord* r : {&newer, &older}) {
        const kub::RecordColumns c = kub::recordColumns(*r);
        sql += "INSERT INTO verlauf (schluessel, sekunden, protokoll, kanal, standort, ric, kennung, code, status, "
               "text, datensatz) VALUES ('" + c.key + "', " + std::to_string(c.seconds) + ", '" + c.protocol +
               "', '" + c.channel + "', '', '" + c.ric + "', '', '', -1, '" + c.text + "', '" +
               kub::storedRecordJson(*r) + "');";
    }
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);

    kub::SqliteHistory store(path);
    ASSERT_EQ(store.open(), "");
    kub::HistoryQuery q;
    q.words = "Brand";
    std::vector<ReceptionRecord> out;
    ASSERT_EQ(store.find(q, out), "");
    ASSERT_EQ(out.size(), 2u);
    expectSame(out[0], newer);
    expectSame(out[1], older);
    ReceptionRecord right = newer;
    right.channel = "right";
    ASSERT_EQ(store.write({newer, right}), "");
    out.clear();
    ASSERT_EQ(store.find({}, out), "");
    EXPECT_EQ(out.size(), 3u);
    store.close();
    kubtest::removeTree(dir);
}

}  // namespace
