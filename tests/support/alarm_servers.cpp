#include "support/alarm_servers.h"

#include <signal.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/run_process.h"

namespace kubtest {

namespace {

bool listening(int port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

}  // namespace

bool haveMailServer() { return runProcess("/usr/bin/python3 -c 'import aiosmtpd' 2>/dev/null").exitCode == 0; }

bool TestWebhook::start(int port) {
    std::filesystem::create_directories(dir_);
    std::filesystem::remove(dir_ + "/port");
    if (!process_.start({"/usr/bin/python3", KUB_ALARM_SERVERS_PY, "webhook", dir_, std::to_string(port)},
                        dir_ + "/server.out", dir_ + "/server.err"))
        return false;
    return waitUntil(
        [&] {
            const std::string p = readFileBytes(dir_ + "/port");
            if (p.empty()) return false;
            port_ = std::stoi(p);
            return true;
        },
        20);
}

void TestWebhook::answer(int status, double delaySeconds, long answerBytes) const {
    const nlohmann::json how = {{"status", status}, {"delay", delaySeconds}, {"answer_bytes", answerBytes}};
    std::ofstream(dir_ + "/verhalten.neu") << how.dump();
    std::filesystem::rename(dir_ + "/verhalten.neu", dir_ + "/verhalten");
}

std::vector<nlohmann::json> TestWebhook::requests() const {
    std::vector<nlohmann::json> out;
    for (const auto& line : splitLines(readFileBytes(dir_ + "/requests.jsonl"))) {
        auto j = nlohmann::json::parse(line, nullptr, false);
        if (!j.is_discarded()) out.push_back(std::move(j));
    }
    return out;
}

std::vector<std::string> TestWebhook::deliveredBodies() const {
    std::vector<std::string> out;
    for (const auto& r : requests())
        if (r["status"].get<int>() / 100 == 2) out.push_back(r["body"].get<std::string>());
    return out;
}

bool TestMailServer::start() {
    // aiosmtpd takes an existing folder as a whole Maildir.
    for (const char* sub : {"tmp", "new", "cur"}) std::filesystem::create_directories(dir_ + "/maildir/" + sub);
    const std::vector<std::string> argv =
        refusing_ ? std::vector<std::string>{"/usr/bin/python3", KUB_ALARM_SERVERS_PY, "refuse", std::to_string(port_)}
                  : std::vector<std::string>{"/usr/bin/python3", "-m", "aiosmtpd", "-n", "-l",
                                             "127.0.0.1:" + std::to_string(port_), "-c", "aiosmtpd.handlers.Mailbox",
                                             dir_ + "/maildir"};
    if (!process_.start(argv, dir_ + "/smtp.out", dir_ + "/smtp.err"))
        return false;
    return waitUntil([&] { return listening(port_); }, 20);
}

std::vector<nlohmann::json> TestMailServer::mails() const {
    const ProcessResult r = runProcess("/usr/bin/python3 - '" + dir_ + "/maildir' <<'PY'\n"
                                       "import json, mailbox, sys\n"
                                       "from email.header import decode_header, make_header\n"
                                       "box = mailbox.Maildir(sys.argv[1], create=False)\n"
                                       "def taken(k):\n"
                                       "    seconds, rest = k.split('.M', 1)\n"
                                       "    return (int(seconds), int(rest.split('P', 1)[0]))\n"
                                       "for m in (box[k] for k in sorted(box.keys(), key=taken)):\n"
                                       "    h = {k: str(make_header(decode_header(v))) for k, v in m.items()}\n"
                                       "    h['body'] = m.get_payload(decode=True).decode('utf-8')\n"
                                       "    h['names'] = list(m.keys())\n"
                                       "    print(json.dumps(h))\n"
                                       "PY\n");
    std::vector<nlohmann::json> out;
    for (const auto& line : splitLines(r.out)) {
        auto j = nlohmann::json::parse(line, nullptr, false);
        if (!j.is_discarded()) out.push_back(std::move(j));
    }
    return out;
}

}  // namespace kubtest
