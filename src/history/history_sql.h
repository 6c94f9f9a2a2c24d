#pragma once
// The SQL both stores share: the columns a record is kept in, the key that makes a
// reception unique, and a search turned into a WHERE clause with parameters only (no
// word of a search ever becomes SQL).

#include <string>
#include <vector>

#include "history/history_source.h"

namespace kub {

enum class SqlDialect { Sqlite, Postgres };

struct SqlParam {
    enum class Kind { Text, Real, Integer } kind = Kind::Text;
    std::string text;
    double real = 0;
    long long integer = 0;
    // As PostgreSQL takes every parameter: text.
    std::string asText() const;
};

// What a record is searched by, besides its whole JSON.
struct RecordColumns {
    std::string key;
    double seconds = 0;
    std::string protocol, channel, site, ric, kennung, code;
    int status = -1;
    std::string text;
};

// The key of a reception: its protocol and its row (the row holds the time to the
// second), so a reception written live and the same line read from its day log are one.
// Tone calls have no row: their time, channel and tone.
std::string receptionKey(const ReceptionRecord& record);
RecordColumns recordColumns(const ReceptionRecord& record);

// The words of a search as letters-and-digits tokens (bytes above 0x7F count as letters,
// so umlauts stay inside a word); every other character only separates. At most 16.
std::vector<std::string> searchTokens(const std::string& words);

// "Verlauf.sqlite" numbers its rows by time: the time in microseconds times 1024, plus
// the how-many-th record of that microsecond. Row id order is then time order, which the
// full-text index can be read in.
inline constexpr long long kSqliteIdsPerMicrosecond = 1024;
inline constexpr double kSqliteIdSeconds = 8.9e9;
long long sqliteTimeId(double seconds);

struct SqlSearch {
    std::string sql;  // SELECT datensatz FROM verlauf WHERE ... ORDER BY ... LIMIT ... OFFSET ...
    std::vector<SqlParam> params;
};
SqlSearch searchSql(const HistoryQuery& query, SqlDialect dialect);

}  // namespace kub
