// The history's writer thread: what the decoding hands it is written without the
// decoding waiting; a full disk, a damaged file, a folder that is not there and a
// PostgreSQL server that goes away are each said once, the records wait in the bounded
// queue (the oldest going first when it is full) and are written when the store works
// again; at the end what waits is written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "common/time_text.h"
#include "history/history_output.h"
#include "history/postgres_history.h"
#include "history/sqlite_history.h"
#include "support/mqtt_broker.h"
#include "support/postgres_server.h"
#include "support/run_process.h"

namespace {

constexpr double kNoon = 1796731200;

kub::ReceptionRecord page(int n, std::size_t textBytes = 10) {
    kub::ReceptionRecord r;
    r.protocol = kub::RecordProtocol::Pocsag;
    r.seconds = kNoon + n;
    r.time = kub::isoTimeText(r.seconds);
    r.channel = "left";
    r.ric = "1234567";
    r.function = 3;
    r.text = "Seite " + std::to_string(n) + " " + std::string(textBytes, 'x');
    r.row = r.ric + "\t3\t\t" + kub::dateTimeText(kub::toLocalTime(r.seconds)) + "\t" + r.text;
    return r;
}

class Notices {
public:
    std::function<void(const std::string&)> sink() {
        return [this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        };
    }
    std::size_t containing(const std::string& part) const {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const auto& l : lines_) n += l.find(part) != std::string::npos;
        return n;
    }
    bool waitFor(const std::string& part) const {
        return kubtest::waitUntil([&] { return containing(part) > 0; }, 20);
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

kub::HistoryOutputOptions quick() {
    kub::HistoryOutputOptions o;
    o.firstPauseSeconds = 0.02;
    o.longestPauseSeconds = 0.2;
    return o;
}

std::size_t stored(kub::HistoryStore& store) {
    kub::HistoryQuery q;
    q.limit = 100000;
    return store.search(q).size();
}

class HistoryOutputTest : public ::testing::Test {
protected:
    void SetUp() override { dir = kubtest::makeTempDir("kub-history-out"); }
    void TearDown() override { kubtest::removeTree(dir); }
    std::string path() const { return dir + "/" + kub::kHistoryFileName; }
    std::string dir;
    kub::ManualClock clock{kNoon};
    Notices notices;
};

TEST_F(HistoryOutputTest, WritesEverythingByTheEndInAPrivateFile) {
    kub::SqliteHistory store(path());
    kub::HistoryOutput out(store, clock, quick(), notices.sink());
    out.start();
    for (int i = 0; i < 2500; ++i) out.deliver(page(i));
    out.stop();
    EXPECT_EQ(out.written(), 2500u);
    EXPECT_EQ(stored(store), 2500u);
    EXPECT_EQ(std::filesystem::status(path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(HistoryOutputTest, AFullDiskIsSaidOnceAndWritingResumes) {
    // 40 pages of 4 KiB: the schema and a few pages fit, then the disk is "full".
    kub::SqliteHistory store(path(), 40);
    kub::HistoryOutput out(store, clock, quick(), notices.sink());
    out.start();
    for (int i = 0; i < 300; ++i) out.deliver(page(i, 2000));
    ASSERT_TRUE(notices.waitFor("Datenträger voll"));
    // Tried again and again meanwhile, and said once.
    ASSERT_TRUE(kubtest::waitUntil([&] { return out.waiting() > 0; }, 5));
    store.setMaxPages(0);
    ASSERT_TRUE(notices.waitFor("wieder geschrieben"));
    ASSERT_TRUE(kubtest::waitUntil([&] { return out.waiting() == 0; }, 20));
    out.stop();
    EXPECT_EQ(notices.containing("Datenträger voll"), 1u);
    EXPECT_EQ(stored(store), 300u);
}

TEST_F(HistoryOutputTest, ADamagedFileIsSetAsideAndANewOneBegun) {
    const std::string garbage(8192, '\x5a');
    std::ofstream(path(), std::ios::binary) << garbage;
    kub::SqliteHistory store(path());
    kub::HistoryOutput out(store, clock, quick(), notices.sink());
    out.start();
    out.deliver(page(1));
    out.stop();
    EXPECT_EQ(notices.containing("beschädigt"), 1u);
    EXPECT_EQ(kubtest::readFileBytes(path() + ".beschaedigt"), garbage);
    EXPECT_EQ(stored(store), 1u);
}

TEST_F(HistoryOutputTest, AFullQueueDropsTheOldestAndSaysSo) {
    // A folder that is not there yet: nothing can be written until it is made.
    const std::string later = dir + "/spaeter";
    kub::SqliteHistory store(later + "/" + kub::kHistoryFileName);
    auto options = quick();
    options.maxRecords = 5;
    kub::HistoryOutput out(store, clock, options, notices.sink());
    out.start();
    for (int i = 0; i < 12; ++i) out.deliver(page(i));
    EXPECT_EQ(out.waiting(), 5u);
    ASSERT_TRUE(notices.waitFor("Warteschlange voll"));
    ASSERT_TRUE(notices.waitFor("nicht anlegbar"));
    std::filesystem::create_directories(later);
    ASSERT_TRUE(notices.waitFor("7 Empfänge nicht gespeichert"));
    out.stop();
    const auto kept = store.search({});
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_EQ(kept.front().seconds, kNoon + 11);
    EXPECT_EQ(kept.back().seconds, kNoon + 7);
    EXPECT_EQ(notices.containing("die ältesten Empfänge werden nicht gespeichert"), 1u);
}

TEST_F(HistoryOutputTest, TheQueueIsBoundedInBytes) {
    kub::SqliteHistory store(dir + "/nirgends/" + kub::kHistoryFileName);
    auto options = quick();
    options.maxBytes = 64 * 1024;
    kub::HistoryOutput out(store, clock, options, notices.sink());
    out.start();
    for (int i = 0; i < 200; ++i) out.deliver(page(i, 4000));
    const std::size_t each = kub::HistoryOutput::recordBytes(page(0, 4000));
    EXPECT_LE(out.waiting() * each, options.maxBytes);
    EXPECT_GT((out.waiting() + 1) * each, options.maxBytes);
    out.stop(0);
    EXPECT_EQ(notices.containing("beim Beenden nicht gespeichert"), 1u);
}

TEST_F(HistoryOutputTest, OldRowsGoAtTheStart) {
    kub::SqliteHistory store(path());
    ASSERT_EQ(store.open(), "");
    ASSERT_EQ(store.write({page(-40 * 86400), page(-10 * 86400)}), "");
    store.close();
    auto options = quick();
    options.retentionDays = 30;
    kub::HistoryOutput out(store, clock, options, notices.sink());
    out.start();
    out.deliver(page(0));
    ASSERT_TRUE(kubtest::waitUntil([&] { return stored(store) == 2; }, 20));
    out.stop();
    EXPECT_EQ(stored(store), 2u);
}

TEST_F(HistoryOutputTest, APostgresServerThatGoesAwayGetsWhatWaitedWhenItIsBack) {
    auto& server = kubtest::TestPostgres::own();
    if (!server.unavailable().empty()) GTEST_SKIP() << "PostgreSQL-Tests übersprungen: " << server.unavailable();
    kub::PostgresHistory store(server.newDatabase());
    kub::HistoryOutput out(store, clock, quick(), notices.sink());
    out.start();
    out.deliver(page(0));
    ASSERT_TRUE(kubtest::waitUntil([&] { return out.written() == 1; }, 20));
    ASSERT_TRUE(server.stop());
    for (int i = 1; i <= 50; ++i) out.deliver(page(i));
    ASSERT_TRUE(notices.waitFor("PostgreSQL"));
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(notices.waitFor("wieder geschrieben"));
    ASSERT_TRUE(kubtest::waitUntil([&] { return out.waiting() == 0; }, 30));
    out.stop();
    EXPECT_EQ(stored(store), 51u);
    EXPECT_EQ(notices.containing("neuer Versuch"), 1u);
}

}  // namespace
