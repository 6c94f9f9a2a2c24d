#include "history/history_sql.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kub {

namespace {

constexpr std::size_t kMaxTokens = 16;
constexpr std::size_t kMaxTokenBytes = 64;
// A page of results; the CLI and the web board ask far less.
constexpr std::size_t kMaxLimit = 100000;

bool wordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}

class Builder {
public:
    explicit Builder(SqlDialect d) : dialect_(d) {}
    std::string next() {
        ++count_;
        if (dialect_ == SqlDialect::Sqlite) return "?";
        std::string placeholder(1, '$');
        return placeholder.append(std::to_string(count_));
    }
    void text(const std::string& condition, const std::string& value, const std::string& after = "") {
        where_ += (where_.empty() ? " WHERE " : " AND ") + condition + next() + after;
        params.push_back({SqlParam::Kind::Text, value, 0, 0});
    }
    void raw(const std::string& condition) { where_ += (where_.empty() ? " WHERE " : " AND ") + condition; }
    void real(const std::string& condition, double value) {
        where_ += (where_.empty() ? " WHERE " : " AND ") + condition + next();
        params.push_back({SqlParam::Kind::Real, {}, value, 0});
    }
    std::string integer(long long value) {
        params.push_back({SqlParam::Kind::Integer, {}, 0, value});
        return next();
    }
    void integer(const std::string& condition, long long value) {
        where_ += (where_.empty() ? " WHERE " : " AND ") + condition + integer(value);
    }
    const std::string& where() const { return where_; }
    std::vector<SqlParam> params;

private:
    SqlDialect dialect_;
    int count_ = 0;
    std::string where_;
};

// Kennung with '*' for any run of characters, everything else literal.
std::string kennungPattern(const std::string& k, SqlDialect dialect) {
    std::string out;
    for (char c : k) {
        if (c == '*') {
            out += dialect == SqlDialect::Sqlite ? '*' : '%';
        } else if (dialect == SqlDialect::Sqlite && (c == '?' || c == '[')) {
            out += std::string("[") + c + "]";
        } else if (dialect == SqlDialect::Postgres && (c == '%' || c == '_' || c == '\\')) {
            out += std::string("\\") + c;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string SqlParam::asText() const {
    switch (kind) {
        case Kind::Text: return text;
        case Kind::Integer: return std::to_string(integer);
        case Kind::Real: {
            char b[40];
            std::snprintf(b, sizeof b, "%.17g", real);
            return b;
        }
    }
    return text;
}

std::string receptionKey(const ReceptionRecord& r) {
    std::string key = protocolName(r.protocol);
    key += '\x1f';
    if (!r.row.empty()) return key + r.row;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.0f", std::floor(r.seconds));
    return key + seconds + '\x1f' + r.channel + '\x1f' + r.tone + '\x1f' + r.site;
}

RecordColumns recordColumns(const ReceptionRecord& r) {
    RecordColumns c;
    c.key = receptionKey(r);
    c.seconds = r.seconds;
    c.protocol = protocolName(r.protocol);
    c.channel = r.channel;
    c.site = r.site;
    c.ric = r.ric;
    c.kennung = r.kennung;
    c.code = r.code;
    c.status = r.status;
    c.text = r.text;
    return c;
}

std::vector<std::string> searchTokens(const std::string& words) {
    std::vector<std::string> tokens;
    std::string current;
    auto finish = [&] {
        if (!current.empty() && tokens.size() < kMaxTokens) tokens.push_back(current.substr(0, kMaxTokenBytes));
        current.clear();
    };
    for (unsigned char c : words) {
        if (wordByte(c)) {
            current += static_cast<char>(c);
        } else {
            finish();
        }
    }
    finish();
    return tokens;
}

long long sqliteTimeId(double seconds) {
    // Times beyond the year 2250 (a day log may say 9999) share the last id range rather
    // than overflow 64 bits.
    const double kept = std::clamp(seconds, -kSqliteIdSeconds, kSqliteIdSeconds);
    return std::llround(kept * 1e6) * kSqliteIdsPerMicrosecond;
}

SqlSearch searchSql(const HistoryQuery& q, SqlDialect dialect) {
    Builder b(dialect);
    bool fromText = false;
    if (q.fromSeconds) b.real("sekunden >= ", *q.fromSeconds);
    if (q.toSeconds) b.real("sekunden < ", *q.toSeconds);
    if (q.protocol) b.text("protokoll = ", protocolName(*q.protocol));
    if (!q.ric.empty()) b.text("ric = ", q.ric);
    if (!q.kennung.empty()) {
        if (q.kennung.find('*') == std::string::npos) {
            b.text("kennung = ", q.kennung);
        } else if (dialect == SqlDialect::Sqlite) {
            b.text("kennung GLOB ", kennungPattern(q.kennung, dialect));
        } else {
            // A backslash is LIKE's escape character here.
            b.text("kennung LIKE ", kennungPattern(q.kennung, dialect));
        }
    }
    if (!q.code.empty()) b.text("code = ", q.code);
    if (!q.channel.empty()) b.text("kanal = ", q.channel);
    if (!q.site.empty()) b.text("standort = ", q.site);
    const auto tokens = searchTokens(q.words);
    if (!tokens.empty()) {
        // Every token a prefix of a word of the text. Tokens hold letters and digits only,
        // so neither FTS5's nor tsquery's syntax can reach in.
        std::string match;
        for (const auto& t : tokens) {
            if (dialect == SqlDialect::Sqlite) {
                match += (match.empty() ? "" : " AND ") + ("\"" + t + "\"*");
            } else {
                match += (match.empty() ? "" : " & ") + t + ":*";
            }
        }
        if (dialect == SqlDialect::Sqlite) {
            // The text index is read newest first (row ids are time order) and the search
            // ends with its page: two common words over years of texts would otherwise
            // gather every hit before sorting.
            b.text("verlauf_text MATCH ", match);
            if (q.fromSeconds) b.integer("t.rowid >= ", sqliteTimeId(*q.fromSeconds));
            if (q.toSeconds) b.integer("t.rowid < ", sqliteTimeId(*q.toSeconds) + kSqliteIdsPerMicrosecond);
            fromText = true;
        } else {
            b.text("volltext @@ to_tsquery('simple', ", match, ")");
        }
    } else if (!q.words.empty()) {
        // Words without a letter or digit find nothing rather than everything.
        b.raw("FALSE");
    }
    SqlSearch s;
    if (fromText) {
        s.sql = "SELECT datensatz FROM verlauf_text t CROSS JOIN verlauf v ON v.id = t.rowid" + b.where();
        s.sql += q.oldestFirst ? " ORDER BY t.rowid ASC" : " ORDER BY t.rowid DESC";
    } else {
        s.sql = "SELECT datensatz FROM verlauf" + b.where();
        s.sql += q.oldestFirst ? " ORDER BY sekunden ASC, id ASC" : " ORDER BY sekunden DESC, id DESC";
    }
    const auto limit = static_cast<long long>(std::min(q.limit, kMaxLimit));
    const auto offset = static_cast<long long>(std::min<std::size_t>(q.offset, 1ULL << 40));
    s.sql += " LIMIT " + b.integer(limit);
    s.sql += " OFFSET " + b.integer(offset);
    s.params = std::move(b.params);
    return s;
}

}  // namespace kub
