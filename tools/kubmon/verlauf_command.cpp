// kubmon verlauf: the reception history searched from the command line, newest first;
// with --import the folder's day logs read into it.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

#include <iostream>

#include "commands.h"
#include "status_times_command.h"
#include "common/program_folder.h"
#include "common/stderr_line.h"
#include "common/whole_number.h"
#include "core/record_json.h"
#include "history/day_log_import.h"
#include "history/history_dates.h"
#include "history/history_keeper.h"
#include "history/history_lines.h"
#include "history/history_settings.h"
#include "history/postgres_history.h"
#include "history/stored_record.h"
#include "usage.h"

namespace kubmon {

namespace {

constexpr std::size_t kDefaultLimit = 100;
constexpr std::size_t kMostLimit = 100000;

void say(const std::string& line) { kub::writeStderrLine("kubmon verlauf", line); }

enum class Form { Plain, Json, Csv };

// The search options; the value of an option that needs one, or a refusal.
struct Options {
    std::string folder;
    std::string postgresUrl;
    bool import = false;
    bool statusTimes = false;
    Form form = Form::Plain;
    kub::HistoryQuery query;
};

std::optional<int> parseOptions(const Args& args, Options& o) {
    o.query.limit = kDefaultLimit;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--import") {
            o.import = true;
        } else if (a == "--statuszeiten") {
            o.statusTimes = true;
        } else if (a == "--json") {
            o.form = Form::Json;
        } else if (a == "--csv") {
            o.form = Form::Csv;
        } else if (!hasValue) {
            return refuse("verlauf", "unbekannte Option oder Option ohne Wert: " + a, kVerlaufUsage);
        } else if (a == "--folder") {
            o.folder = args[++i];
        } else if (a == "--verlauf") {
            o.postgresUrl = args[++i];
            if (const std::string why = kub::postgresUrlProblem(o.postgresUrl); !why.empty()) {
                say(why);
                return 2;
            }
        } else if (a == "--von" || a == "--bis") {
            const auto date = kub::parseSearchDate(args[++i], a == "--bis");
            if (!date.seconds) {
                say(a + ": " + date.error + ".");
                return 2;
            }
            (a == "--von" ? o.query.fromSeconds : o.query.toSeconds) = date.seconds;
        } else if (a == "--protokoll") {
            std::string p = args[++i];
            for (char& c : p) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (p == "poc") p = "pocsag";
            o.query.protocol = kub::protocolOfName(p);
            if (!o.query.protocol) {
                say("--protokoll erwartet fms, zvei, pocsag, tonruf oder einsatz.");
                return 2;
            }
        } else if (a == "--ric") {
            o.query.ric = args[++i];
        } else if (a == "--kennung") {
            o.query.kennung = args[++i];
        } else if (a == "--code") {
            o.query.code = args[++i];
        } else if (a == "--text") {
            o.query.words = args[++i];
        } else if (a == "--kanal") {
            const std::string k = args[++i];
            o.query.channel = k == "links" ? "left" : k == "rechts" ? "right" : k;
            if (o.query.channel != "left" && o.query.channel != "right") {
                say("--kanal erwartet links oder rechts (left/right).");
                return 2;
            }
        } else if (a == "--standort") {
            o.query.site = args[++i];
        } else if (a == "--limit") {
            const std::string v = args[++i];
            const bool digits = v.size() < 7 && v.find_first_not_of("0123456789") == std::string::npos;
            const auto n = digits ? kub::wholeNumber(v, 1, static_cast<long>(kMostLimit)) : std::nullopt;
            if (!n) {
                say("--limit erwartet eine Zahl von 1 bis 100000.");
                return 2;
            }
            o.query.limit = static_cast<std::size_t>(*n);
        } else {
            return refuse("verlauf", "unbekannte Option: " + a, kVerlaufUsage);
        }
    }
    if (o.query.fromSeconds && o.query.toSeconds && *o.query.fromSeconds >= *o.query.toSeconds) {
        say("--von liegt nicht vor --bis.");
        return 2;
    }
    return std::nullopt;
}

int importLogs(const std::string& folder, kub::HistoryStore& store) {
    if (const std::string why = store.open(); !why.empty()) {
        say(why);
        return 1;
    }
    if (const std::string remark = store.takeRemark(); !remark.empty()) say(remark);
    const kub::DayLogImport result = kub::importDayLogs(folder, store);
    store.close();
    if (!result.error.empty()) {
        say(result.error);
        return 1;
    }
    say(std::to_string(result.records) + " Empfänge aus " + std::to_string(result.files) +
        " Tagesprotokollen übernommen" +
        (result.skipped ? " (" + std::to_string(result.skipped) + " Zeilen nicht lesbar)" : "") + ".");
    return 0;
}

}  // namespace

int verlaufCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kVerlaufUsage);
    Options o;
    if (const auto refused = parseOptions(args, o)) return *refused;
    if (o.folder.empty()) o.folder = kub::defaultProgramFolder();
    std::error_code ec;
    if (o.folder.empty() || !std::filesystem::is_directory(o.folder, ec)) {
        say("Programmordner \"" + o.folder + "\" gibt es nicht.");
        return 2;
    }
    if (o.postgresUrl.empty()) {
        std::vector<std::string> messages;
        o.postgresUrl = kub::loadHistorySettings(o.folder, messages).postgresUrl;
        for (const auto& m : messages) say(m);
    }
    const auto store = kub::historyStoreFor(o.folder, o.postgresUrl);
    if (o.statusTimes) return runStatusTimesCommand(args, *store, std::cout, std::cerr);
    if (o.import) return importLogs(o.folder, *store);

    std::vector<kub::ReceptionRecord> found;
    if (const std::string why = store->find(o.query, found); !why.empty()) {
        say(why);
        return 1;
    }
    if (o.form == Form::Csv) std::fputs(kub::historyCsvHeader().c_str(), stdout);
    for (const auto& r : found) {
        // CSV lines carry their CR LF.
        const std::string line = o.form == Form::Json  ? kub::recordJson(r) + "\n"
                                 : o.form == Form::Csv ? kub::historyCsvLine(r)
                                                       : kub::historyPlainLine(r) + "\n";
        std::fputs(line.c_str(), stdout);
    }
    if (found.empty()) say("Keine Einträge gefunden.");
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace kubmon
