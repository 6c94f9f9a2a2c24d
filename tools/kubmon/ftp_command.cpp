// kubmon ftp -s:SCRIPT HOST: the command-line FTP client the web upload runs. It reads
// the script as the classic Windows client does (login, password, then bin, cd, dir,
// put, disconnect, quit) and carries it out with libcurl. Every network step has a
// timeout; any failed step ends the run with exit status 1 and one line on stderr that
// says why, so the upload can tell the dispatcher instead of claiming success.

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>
#include <filesystem>
#include <memory>
#include <string>

#include "common/command_options.h"
#include "common/stderr_line.h"
#include "common/whole_number.h"
#include "commands.h"
#include "storage/text_file.h"
#include "web/ftp_script.h"
#include "usage.h"

namespace kubmon {

namespace {

constexpr int kDefaultTimeoutSeconds = 20;
// A day: any longer and a hung server would hold the upload folder for good.
constexpr long kMaxTimeoutSeconds = 86400;

struct Failure {
    int exitCode;
    std::string reason;
};

class Session {
public:
    Session(const kub::FtpHost& host, long timeoutSeconds, bool quiet)
        : curl_(curl_easy_init(), &curl_easy_cleanup), quiet_(quiet) {
        const bool v6 = host.host.find(':') != std::string::npos;
        base_ = "ftp://" + (v6 ? "[" + host.host + "]" : host.host) + ":" + std::to_string(host.port) + "/";
        where_ = v6 ? "[" + host.host + "]:" + std::to_string(host.port) : host.host + ":" + std::to_string(host.port);
        timeout_ = timeoutSeconds;
    }

    bool ready() const { return curl_ != nullptr; }
    const std::string& where() const { return where_; }

    std::optional<Failure> login(const std::string& user, const std::string& password) {
        user_ = user;
        password_ = password;
        if (auto f = perform(dirUrl(), Mode::Probe, nullptr, 0, nullptr))
            return Failure{1, "Anmeldung bei " + where_ + " fehlgeschlagen: " + f->reason};
        say("Angemeldet bei " + where_);
        return std::nullopt;
    }

    std::optional<Failure> cd(const std::string& folder) {
        const bool fromRoot = folder.rfind("/", 0) == 0;
        std::vector<std::string> next = fromRoot ? std::vector<std::string>{} : dirs_;
        const bool absolute = fromRoot || absolute_;
        std::string part;
        for (char c : folder + "/") {
            if (c == '/' || c == '\\') {
                if (part == "..") {
                    if (!next.empty()) next.pop_back();
                } else if (!part.empty() && part != ".") {
                    next.push_back(part);
                }
                part.clear();
            } else {
                part.push_back(c);
            }
        }
        const auto keepDirs = dirs_;
        const bool keepAbsolute = absolute_;
        dirs_ = next;
        absolute_ = absolute;
        if (auto f = perform(dirUrl(), Mode::Probe, nullptr, 0, nullptr)) {
            dirs_ = keepDirs;
            absolute_ = keepAbsolute;
            return Failure{1, "Wechsel in das Verzeichnis " + folder + " fehlgeschlagen: " + f->reason};
        }
        say("Verzeichnis " + folder);
        return std::nullopt;
    }

    std::optional<Failure> dir() {
        if (auto f = perform(dirUrl(), Mode::List, nullptr, 0, nullptr))
            return Failure{1, "Verzeichnisliste fehlgeschlagen: " + f->reason};
        return std::nullopt;
    }

    std::optional<Failure> put(const std::string& local, const std::string& remote) {
        std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(local.c_str(), "rb"), &std::fclose);
        std::error_code ec;
        const auto size = std::filesystem::file_size(local, ec);
        if (!file || ec) return Failure{1, "Datei " + local + " kann nicht gelesen werden"};
        if (auto f = perform(dirUrl() + escape(remote), Mode::Upload, file.get(),
                             static_cast<curl_off_t>(size), nullptr))
            return Failure{1, remote + " nicht übertragen: " + f->reason};
        say(remote + " übertragen (" + std::to_string(size) + " Bytes)");
        return std::nullopt;
    }

    void setText(bool text) { text_ = text; }
    // The protocol exchange on stderr, as the classic client's -d shows it.
    void setDebug(bool debug) { debug_ = debug; }

private:
    enum class Mode { Probe, List, Upload };

    static size_t toStdout(char* data, size_t size, size_t n, void*) {
        return std::fwrite(data, size, n, stdout) * size;
    }

    std::string escape(const std::string& s) {
        char* e = curl_easy_escape(curl_.get(), s.data(), static_cast<int>(s.size()));
        std::string out = e ? e : "";
        curl_free(e);
        return out;
    }

    std::string dirUrl() {
        std::string url = base_;
        if (absolute_) url += "%2F";
        for (const auto& d : dirs_) url += escape(d) + "/";
        return url;
    }

    std::optional<Failure> perform(const std::string& url, Mode mode, FILE* upload, curl_off_t size, void*) {
        CURL* c = curl_.get();
        char error[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(c, CURLOPT_USERNAME, user_.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password_.c_str());
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
        // A server that stops answering ends the step instead of holding the upload.
        curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeout_);
        curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout_);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeout_);
        curl_easy_setopt(c, CURLOPT_TIMEOUT, timeout_ * 10);
        curl_easy_setopt(c, CURLOPT_TRANSFERTEXT, text_ ? 1L : 0L);
        curl_easy_setopt(c, CURLOPT_NOBODY, mode == Mode::Probe ? 1L : 0L);
        curl_easy_setopt(c, CURLOPT_UPLOAD, mode == Mode::Upload ? 1L : 0L);
        curl_easy_setopt(c, CURLOPT_READDATA, upload);
        curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, mode == Mode::Upload ? size : curl_off_t{-1});
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Session::toStdout);
        curl_easy_setopt(c, CURLOPT_VERBOSE, debug_ ? 1L : 0L);
        const CURLcode rc = curl_easy_perform(c);
        curl_easy_setopt(c, CURLOPT_ERRORBUFFER, nullptr);
        if (rc == CURLE_OK) return std::nullopt;
        std::string text = error[0] ? error : curl_easy_strerror(rc);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        for (char& ch : text)
            if (ch == '\n' || ch == '\r') ch = ' ';
        return Failure{1, text};
    }

    void say(const std::string& line) {
        if (!quiet_) std::printf("%s\n", line.c_str());
    }

    std::unique_ptr<CURL, void (*)(CURL*)> curl_;
    bool quiet_;
    std::string base_;
    std::string where_;
    long timeout_ = kDefaultTimeoutSeconds;
    std::string user_;
    std::string password_;
    std::vector<std::string> dirs_;
    bool absolute_ = false;
    bool text_ = false;
    bool debug_ = false;
};

int fail(const Failure& f) {
    kub::writeStderrLine("", f.reason);
    return f.exitCode;
}

// "put PATH": the whole rest names the file when such a file exists (a program folder
// may hold blanks); otherwise "put LOCAL [REMOTE]".
std::pair<std::string, std::string> putNames(const std::string& rest) {
    std::string whole = rest;
    if (whole.size() >= 2 && whole.front() == '"' && whole.back() == '"' &&
        whole.find('"', 1) == whole.size() - 1)
        whole = whole.substr(1, whole.size() - 2);
    std::error_code ec;
    if (std::filesystem::is_regular_file(whole, ec)) return {whole, kub::fileNamePart(whole)};
    const auto words = kub::splitFtpWords(rest);
    if (words.empty()) return {};
    return {words[0], words.size() > 1 ? words[1] : kub::fileNamePart(words[0])};
}

}  // namespace

int ftpCommand(const Args& args) {
    if (wantsHelp(args)) return printHelp(kFtpUsage);
    std::string scriptPath;
    std::string hostText;
    bool quiet = false;
    bool debug = false;
    int timeout = kDefaultTimeoutSeconds;
    std::vector<std::string> hosts;
    kub::CommandOptions options;
    options.flag("-v", quiet).flag("-d", debug).words(hosts);
    options.attached("-s:", [&scriptPath](const std::string& v) {
        scriptPath = v;
        return std::string();
    });
    options.attached("--timeout=", [&timeout](const std::string& v) {
        const auto seconds = kub::wholeNumber(v, 1, kMaxTimeoutSeconds);
        if (!seconds) return "ungültige Zeitgrenze: --timeout=" + v;
        timeout = static_cast<int>(*seconds);
        return std::string();
    });
    if (const auto refused = options.parse(args)) {
        const bool bad = refused->kind == kub::CommandOptions::Refusal::Kind::BadValue;
        return refuse("ftp", bad ? refused->text : "unbekannte Option: " + refused->text, kFtpUsage);
    }
    // The classic client reads a lone "-" as an option too, never as a host.
    for (const std::string& h : hosts)
        if (h == "-") return refuse("ftp", "unbekannte Option: -", kFtpUsage);
    if (hosts.size() > 1) return fail({2, "nur einen Host angeben"});
    if (!hosts.empty()) hostText = hosts.front();
    if (scriptPath.empty() || hostText.empty())
        return refuse("ftp", scriptPath.empty() ? "-s:SKRIPT fehlt" : "HOST fehlt", kFtpUsage);
    const auto host = kub::parseFtpHost(hostText);
    if (!host) return fail({2, "ungültiger Host: " + hostText});
    const auto lines = kub::readTextLines(scriptPath);
    if (!lines) return fail({2, "Skriptdatei " + scriptPath + " kann nicht gelesen werden"});
    const kub::FtpScript script = kub::parseFtpScript(*lines);

    curl_global_init(CURL_GLOBAL_DEFAULT);
    struct GlobalCleanup {
        ~GlobalCleanup() { curl_global_cleanup(); }
    } cleanup;
    Session session(*host, timeout, quiet);
    if (!session.ready()) return fail({1, "libcurl nicht verfügbar"});
    session.setDebug(debug);
    if (auto f = session.login(script.login, script.password)) return fail(*f);

    bool connected = true;
    for (const kub::FtpCommand& cmd : script.commands) {
        const std::string& v = cmd.verb;
        std::optional<Failure> f;
        if (v == "quit" || v == "bye") {
            break;
        } else if (v == "disconnect" || v == "close") {
            connected = false;
        } else if (v == "bin" || v == "binary" || v == "ascii") {
            session.setText(v == "ascii");
        } else if (!connected && (v == "cd" || v == "dir" || v == "ls" || v == "put" || v == "send")) {
            f = Failure{1, v + ": nicht verbunden"};
        } else if (v == "cd") {
            const auto words = kub::splitFtpWords(cmd.rest);
            if (cmd.rest.empty()) f = Failure{1, "cd ohne Verzeichnis"};
            else f = session.cd(words.size() == 1 ? words[0] : cmd.rest);
        } else if (v == "dir" || v == "ls") {
            f = session.dir();
        } else if (v == "put" || v == "send") {
            const auto [local, remote] = putNames(cmd.rest);
            if (local.empty()) f = Failure{1, "put ohne Datei"};
            else f = session.put(local, remote);
        } else {
            f = Failure{2, "unbekannter Befehl im Skript: " + v};
        }
        if (f) return fail(*f);
    }
    return 0;
}

}  // namespace kubmon
