#include "history/sqlite_history.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "history/history_sql.h"
#include "history/stored_record.h"

namespace kub {

namespace {

constexpr int kBusyMs = 2000;

// Version 2: a reception is one row per channel (the same page heard on two receivers is
// two receptions), and the row id is the time (see timeId), so the full-text index, read
// in rowid order, hands out the newest hits first and a search stops after its page.
constexpr const char* kTable = R"(
CREATE TABLE IF NOT EXISTS verlauf (
  id INTEGER PRIMARY KEY,
  schluessel TEXT NOT NULL,
  sekunden REAL NOT NULL,
  protokoll TEXT NOT NULL,
  kanal TEXT NOT NULL,
  standort TEXT NOT NULL,
  ric TEXT NOT NULL,
  kennung TEXT NOT NULL,
  code TEXT NOT NULL,
  status INTEGER NOT NULL,
  text TEXT NOT NULL,
  datensatz TEXT NOT NULL);
)";

constexpr const char* kIndexes = R"(
CREATE UNIQUE INDEX IF NOT EXISTS verlauf_schluessel ON verlauf(schluessel, kanal);
CREATE INDEX IF NOT EXISTS verlauf_sekunden ON verlauf(sekunden);
CREATE INDEX IF NOT EXISTS verlauf_ric ON verlauf(ric, sekunden);
CREATE INDEX IF NOT EXISTS verlauf_kennung ON verlauf(kennung, sekunden);
CREATE INDEX IF NOT EXISTS verlauf_code ON verlauf(code, sekunden);
CREATE VIRTUAL TABLE IF NOT EXISTS verlauf_text USING fts5(text, content='verlauf', content_rowid='id',
  tokenize='unicode61');
CREATE TRIGGER IF NOT EXISTS verlauf_text_neu AFTER INSERT ON verlauf WHEN new.text <> '' BEGIN
  INSERT INTO verlauf_text(rowid, text) VALUES (new.id, new.text); END;
CREATE TRIGGER IF NOT EXISTS verlauf_text_weg AFTER DELETE ON verlauf WHEN old.text <> '' BEGIN
  INSERT INTO verlauf_text(verlauf_text, rowid, text) VALUES ('delete', old.id, old.text); END;
)";

constexpr int kVersion = 2;

// A file of version 1 (one row per reception key whatever the channel, ids in the order
// written) becomes version 2 in one transaction: the rows are copied with ids made from
// their time as sqliteTimeId makes them (8.9e9 is kSqliteIdSeconds) and the text index is
// built anew. The keys themselves stay as they were.
constexpr const char* kFromVersion1 = R"(
DROP TRIGGER IF EXISTS verlauf_text_neu;
DROP TRIGGER IF EXISTS verlauf_text_weg;
DROP TABLE IF EXISTS verlauf_text;
ALTER TABLE verlauf RENAME TO verlauf_v1;
DROP INDEX IF EXISTS verlauf_sekunden;
DROP INDEX IF EXISTS verlauf_ric;
DROP INDEX IF EXISTS verlauf_kennung;
DROP INDEX IF EXISTS verlauf_code;
)";
constexpr const char* kCopyVersion1 = R"(
INSERT INTO verlauf (id, schluessel, sekunden, protokoll, kanal, standort, ric, kennung, code, status, text, datensatz)
  SELECT CAST(round(min(max(sekunden, -8.9e9), 8.9e9) * 1000000) AS INTEGER) * 1024
           + row_number() OVER (PARTITION BY CAST(round(min(max(sekunden, -8.9e9), 8.9e9) * 1000000) AS INTEGER)
                                ORDER BY id) - 1,
         schluessel, sekunden, protokoll, kanal, standort, ric, kennung, code, status, text, datensatz
  FROM verlauf_v1;
DROP TABLE verlauf_v1;
INSERT INTO verlauf_text(verlauf_text) VALUES ('rebuild');
)";

// A reception already kept is not written again: the same key on the same channel, or a
// row without a channel (read from a day log, which does not name it) against one with,
// either way round.
constexpr const char* kInsert =
    "INSERT OR IGNORE INTO verlauf (id, schluessel, sekunden, protokoll, kanal, standort, ric, kennung, code, "
    "status, text, datensatz) SELECT ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS (SELECT 1 FROM verlauf "
    "WHERE schluessel = ?2 AND (?5 = '' OR kanal = ?5 OR kanal = ''))";

// The free ids of a record's microsecond.
constexpr const char* kLastId = "SELECT max(id) FROM verlauf WHERE id >= ? AND id < ?";
constexpr const char* kLastOfAll = "SELECT max(id) FROM verlauf";

int userVersion(sqlite3* db) {
    sqlite3_stmt* s = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        version = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    return version;
}

bool hasTable(sqlite3* db, const char* name) {
    sqlite3_stmt* s = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1, &s, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
        found = sqlite3_step(s) == SQLITE_ROW;
    }
    sqlite3_finalize(s);
    return found;
}

// The table, its indexes and its version, made or brought up to date in one transaction.
int makeSchema(sqlite3* db) {
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    const bool old = hasTable(db, "verlauf") && userVersion(db) < kVersion;
    if (old) rc = sqlite3_exec(db, kFromVersion1, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, kTable, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, kIndexes, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && old) rc = sqlite3_exec(db, kCopyVersion1, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, ("PRAGMA user_version = " + std::to_string(kVersion)).c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const int failed = sqlite3_extended_errcode(db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return failed;
    }
    return rc;
}

bool damaged(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

void bindText(sqlite3_stmt* s, int i, const std::string& v) {
    sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

long long freeId(sqlite3_stmt* last, sqlite3_stmt* lastOfAll, double seconds) {
    // The id is the time in microseconds times 1024, plus the how-many-th of that
    // microsecond (day logs give whole seconds only, and many rows share one). Should a
    // microsecond ever hold 1024 records, the next goes after the newest row of all: out of
    // time order, never lost.
    const long long base = sqliteTimeId(seconds);
    // Each statement is reset once read: one left open holds a read transaction, and
    // the WAL file is never checkpointed while it does.
    auto newest = [](sqlite3_stmt* s) -> std::optional<long long> {
        std::optional<long long> id;
        if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL) id = sqlite3_column_int64(s, 0);
        sqlite3_reset(s);
        return id;
    };
    sqlite3_bind_int64(last, 1, base);
    sqlite3_bind_int64(last, 2, base + kSqliteIdsPerMicrosecond);
    const auto inMicrosecond = newest(last);
    if (!inMicrosecond) return base;
    if (*inMicrosecond + 1 < base + kSqliteIdsPerMicrosecond) return *inMicrosecond + 1;
    return newest(lastOfAll).value_or(*inMicrosecond) + 1;
}

// A name beside the file that nothing uses yet.
std::string asideName(const std::string& path) {
    std::error_code ec;
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = path + ".beschaedigt";
        if (n > 1) candidate.append(1, '-').append(std::to_string(n));
        if (!std::filesystem::exists(candidate, ec)) return candidate;
    }
    return path + ".beschaedigt";
}

}  // namespace

SqliteHistory::SqliteHistory(std::string path, long maxPages) : path_(std::move(path)), maxPages_(maxPages) {}

SqliteHistory::~SqliteHistory() {
    close();
    std::lock_guard lock(readMutex_);
    sqlite3_close(reader_);
}

std::string SqliteHistory::problem(const char* what, int rc) const {
    const int primary = rc & 0xFF;
    std::string why;
    if (primary == SQLITE_FULL) {
        why = "Datenträger voll";
    } else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        why = "Datei gesperrt (ein anderes Programm schreibt)";
    } else if (damaged(rc)) {
        why = "Datei beschädigt";
    } else if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM) {
        why = "Datei nicht schreibbar";
    } else {
        why = sqlite3_errstr(rc);
    }
    return std::string(what) + " \"" + path_ + "\": " + why;
}

std::string SqliteHistory::openWriter() {
    // Made by us first, so it is never readable by others for a moment.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return problem("Verlauf nicht anlegbar", SQLITE_CANTOPEN);
    ::fchmod(fd, 0600);
    ::close(fd);
    int rc = sqlite3_open_v2(path_.c_str(), &writer_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) return problem("Verlauf nicht zu öffnen", rc);
    sqlite3_busy_timeout(writer_, kBusyMs);
    sqlite3_extended_result_codes(writer_, 1);
    // 32 MiB of pages for the writer: five indexes take every record at a place of their
    // own, and with SQLite's 2 MiB each of those places is read from the file again.
    std::string pragmas = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-32768;";
    if (maxPages_ > 0) pragmas += "PRAGMA max_page_count=" + std::to_string(maxPages_) + ";";
    rc = sqlite3_exec(writer_, pragmas.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = makeSchema(writer_);
    if (rc != SQLITE_OK) return problem("Verlauf nicht zu öffnen", rc);
    return {};
}

void SqliteHistory::setMaxPages(long maxPages) {
    std::lock_guard lock(writeMutex_);
    maxPages_ = maxPages;
}

std::string SqliteHistory::takeRemark() {
    std::lock_guard lock(writeMutex_);
    return std::exchange(remark_, {});
}

std::string SqliteHistory::open() {
    std::lock_guard lock(writeMutex_);
    if (writer_) return {};
    std::string error = openWriter();
    if (error.empty()) return {};
    const int rc = writer_ ? sqlite3_extended_errcode(writer_) : SQLITE_CANTOPEN;
    sqlite3_close(writer_);
    writer_ = nullptr;
    if (!damaged(rc)) return error;
    // What the damaged file holds stays for whoever can save it; the history goes on in
    // a new one (and `kubmon verlauf --import` brings the day logs back into it).
    const std::string aside = asideName(path_);
    if (std::rename(path_.c_str(), aside.c_str()) != 0) return error;
    for (const char* side : {"-wal", "-shm"}) {
        const std::string from = path_ + side;
        std::error_code ec;
        if (std::filesystem::exists(from, ec)) std::rename(from.c_str(), (aside + side).c_str());
    }
    remark_ = "Verlauf \"" + path_ + "\" war beschädigt und liegt jetzt als \"" + aside +
              "\" daneben; ein neuer Verlauf ist begonnen (kubmon verlauf --import holt die Tagesprotokolle).";
    error = openWriter();
    if (!error.empty()) {
        sqlite3_close(writer_);
        writer_ = nullptr;
    }
    return error;
}

void SqliteHistory::close() {
    std::lock_guard lock(writeMutex_);
    sqlite3_close(writer_);
    writer_ = nullptr;
}

std::string SqliteHistory::write(const std::vector<ReceptionRecord>& records) {
    std::lock_guard lock(writeMutex_);
    if (!writer_) return "Verlauf \"" + path_ + "\" ist nicht geöffnet";
    int rc = sqlite3_exec(writer_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return problem("Verlauf nicht geschrieben", rc);
    Statement insert, last, lastOfAll;
    rc = sqlite3_prepare_v2(writer_, kInsert, -1, &insert.s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(writer_, kLastId, -1, &last.s, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_prepare_v2(writer_, kLastOfAll, -1, &lastOfAll.s, nullptr);
    for (std::size_t i = 0; rc == SQLITE_OK && i < records.size(); ++i) {
        const RecordColumns c = recordColumns(records[i]);
        sqlite3_reset(insert.s);
        sqlite3_bind_int64(insert.s, 1, freeId(last.s, lastOfAll.s, c.seconds));
        bindText(insert.s, 2, c.key);
        sqlite3_bind_double(insert.s, 3, c.seconds);
        bindText(insert.s, 4, c.protocol);
        bindText(insert.s, 5, c.channel);
        bindText(insert.s, 6, c.site);
        bindText(insert.s, 7, c.ric);
        bindText(insert.s, 8, c.kennung);
        bindText(insert.s, 9, c.code);
        sqlite3_bind_int(insert.s, 10, c.status);
        bindText(insert.s, 11, c.text);
        bindText(insert.s, 12, storedRecordJson(records[i]));
        rc = sqlite3_step(insert.s);
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    if (rc == SQLITE_OK) rc = sqlite3_exec(writer_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return {};
    const int failed = sqlite3_extended_errcode(writer_);
    sqlite3_exec(writer_, "ROLLBACK", nullptr, nullptr, nullptr);
    return problem("Verlauf nicht geschrieben", failed);
}

std::string SqliteHistory::removeBefore(double seconds) {
    std::lock_guard lock(writeMutex_);
    if (!writer_) return "Verlauf \"" + path_ + "\" ist nicht geöffnet";
    Statement del;
    int rc = sqlite3_prepare_v2(writer_, "DELETE FROM verlauf WHERE sekunden < ?", -1, &del.s, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_double(del.s, 1, seconds);
        rc = sqlite3_step(del.s);
    }
    if (rc == SQLITE_DONE || rc == SQLITE_OK) return {};
    return problem("Alte Einträge nicht gelöscht", sqlite3_extended_errcode(writer_));
}

std::string SqliteHistory::find(const HistoryQuery& query, std::vector<ReceptionRecord>& out) {
    std::lock_guard lock(readMutex_);
    if (!reader_) {
        struct stat st{};
        if (::stat(path_.c_str(), &st) != 0) return "Verlauf \"" + path_ + "\" gibt es nicht";
        const int rc = sqlite3_open_v2(path_.c_str(), &reader_, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_close(reader_);
            reader_ = nullptr;
            return problem("Verlauf nicht zu öffnen", rc);
        }
        sqlite3_busy_timeout(reader_, kBusyMs);
        sqlite3_extended_result_codes(reader_, 1);
    }
    const SqlSearch search = searchSql(query, SqlDialect::Sqlite);
    Statement st;
    int rc = sqlite3_prepare_v2(reader_, search.sql.c_str(), -1, &st.s, nullptr);
    if (rc != SQLITE_OK) {
        // A reader of a file that was set aside or not yet made: look again next time.
        const std::string why = problem("Verlauf nicht lesbar", sqlite3_extended_errcode(reader_));
        sqlite3_close(reader_);
        reader_ = nullptr;
        return why;
    }
    for (std::size_t i = 0; i < search.params.size(); ++i) {
        const SqlParam& p = search.params[i];
        const int at = static_cast<int>(i + 1);
        switch (p.kind) {
            case SqlParam::Kind::Text: bindText(st.s, at, p.text); break;
            case SqlParam::Kind::Real: sqlite3_bind_double(st.s, at, p.real); break;
            case SqlParam::Kind::Integer: sqlite3_bind_int64(st.s, at, p.integer); break;
        }
    }
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0));
        const int bytes = sqlite3_column_bytes(st.s, 0);
        if (auto r = readStoredRecord(std::string_view(text ? text : "", static_cast<std::size_t>(bytes))))
            out.push_back(std::move(*r));
    }
    if (rc != SQLITE_DONE) return problem("Verlauf nicht lesbar", sqlite3_extended_errcode(reader_));
    return {};
}

}  // namespace kub
