#include "history/history_keeper.h"

#include <filesystem>
#include <vector>

#include "history/history_settings.h"
#include "history/postgres_history.h"
#include "history/sqlite_history.h"

namespace kub {

std::unique_ptr<HistoryStore> historyStoreFor(const std::string& programFolder, const std::string& postgresUrl) {
    if (!postgresUrl.empty()) return std::make_unique<PostgresHistory>(postgresUrl);
    return std::make_unique<SqliteHistory>(programFolder + "/" + kHistoryFileName);
}

HistoryKeeper::HistoryKeeper(const std::string& programFolder, const Clock& clock, const std::string& postgresUrl,
                             std::function<void(const std::string&)> notice, std::function<void()> recovered) {
    std::vector<std::string> messages;
    const HistorySettings settings = loadHistorySettings(programFolder, messages);
    for (const auto& m : messages)
        if (notice) notice(m);
    const std::string url = postgresUrl.empty() ? settings.postgresUrl : postgresUrl;
    HistoryOutputOptions options;
    options.retentionDays = settings.retentionDays;
    std::error_code ec;
    if (url.empty() && !std::filesystem::exists(programFolder + "/" + kHistoryFileName, ec))
        options.importFolder = programFolder;
    store_ = historyStoreFor(programFolder, url);
    output_ = std::make_unique<HistoryOutput>(*store_, clock, options, std::move(notice), std::move(recovered));
    output_->start();
}

HistoryKeeper::~HistoryKeeper() { stop(); }

void HistoryKeeper::stop() {
    if (output_) output_->stop();
}

}  // namespace kub
