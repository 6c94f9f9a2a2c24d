#pragma once
// The servers alarm delivery talks to in the tests and the benchmark, started and stopped
// by them on 127.0.0.1: a webhook (Python's http.server, tests/alarm/alarm_servers.py) whose
// answers the test sets, and a mail server (aiosmtpd) that keeps what it takes in a
// Maildir.

#include <signal.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "support/mqtt_broker.h"

namespace kubtest {

class TestWebhook {
public:
    explicit TestWebhook(std::string dir) : dir_(std::move(dir)) {}
    // Port 0: a free one. False when it does not listen within seconds.
    bool start(int port = 0);
    void stop() { process_.stop(SIGTERM, 10); }
    int port() const { return port_; }
    std::string url(const std::string& path = "/alarm") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    // How the next requests are answered.
    void answer(int status, double delaySeconds = 0, long answerBytes = 0) const;
    // Every request so far: method, path, headers, body, status, time.
    std::vector<nlohmann::json> requests() const;
    // The bodies of the requests answered with 2xx.
    std::vector<std::string> deliveredBodies() const;

private:
    std::string dir_;
    int port_ = 0;
    Spawned process_;
};

class TestMailServer {
public:
    // `refusing`: every recipient is refused for good (550), nothing is kept.
    TestMailServer(std::string dir, int port, bool refusing = false)
        : dir_(std::move(dir)), port_(port), refusing_(refusing) {}
    bool start();
    void stop() { process_.stop(SIGTERM, 10); }
    int port() const { return port_; }
    // Each mail taken: its headers (From, To, Subject decoded, Date, Message-ID, all names)
    // and its body decoded, as Python's mail parser reads them; in the order they came.
    std::vector<nlohmann::json> mails() const;

private:
    std::string dir_;
    int port_;
    bool refusing_;
    Spawned process_;
};

bool haveMailServer();

}  // namespace kubtest
