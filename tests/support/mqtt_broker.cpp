#include "support/mqtt_broker.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/run_process.h"

extern char** environ;

namespace kubtest {

namespace {
constexpr const char* kSubscribed = "Subscribed (mid: ";
}  // namespace

bool haveMosquitto() { return access("/usr/sbin/mosquitto", X_OK) == 0 && access("/usr/bin/mosquitto_sub", X_OK) == 0; }

int freeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool waitUntil(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

Spawned::~Spawned() {
    if (pid_ > 0) stop(SIGKILL, 5);
}

bool Spawned::start(const std::vector<std::string>& argv, const std::string& outFile, const std::string& errFile) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    pid_ = rc == 0 ? pid : -1;
    return rc == 0;
}

bool Spawned::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    return waitpid(pid_, &status, WNOHANG) == 0;
}

int Spawned::stop(int sig, double waitSeconds) {
    if (pid_ <= 0) return -1;
    kill(pid_, sig);
    int status = 0;
    int result = -1;
    const bool ended = waitUntil(
        [&] {
            const pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_) result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return r == pid_;
        },
        waitSeconds);
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return result;
}

TestBroker::TestBroker(std::string dir, std::string extra) : dir_(std::move(dir)), extra_(std::move(extra)) {}

// mosquitto cannot take port 0 and name the port it got (0 means a local socket to it), so
// a free port is chosen and, should another process take it first, the broker ends at once
// and the next free port is tried. A restart keeps the port: the clients reconnect to it.
bool TestBroker::start() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (port_ == 0 || attempt > 0) port_ = freeLoopbackPort();
        if (startOnPort()) return true;
    }
    return false;
}

bool TestBroker::startOnPort() {
    // Started as root, mosquitto works as its own user: it must read the password file
    // and write its database here.
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    std::ofstream(dir_ + "/broker.conf") << "listener " << port_ << " 127.0.0.1\n"
                                         << (extra_.find("password_file") == std::string::npos
                                                 ? "allow_anonymous true\n"
                                                 : "allow_anonymous false\n")
                                         << (extra_.find("persistence") == std::string::npos ? "persistence false\n"
                                                                                             : "")
                                         << extra_;
    const std::string out = dir_ + "/broker.out", err = dir_ + "/broker.err";
    if (!process_.start({"/usr/sbin/mosquitto", "-c", dir_ + "/broker.conf"}, out, err)) return false;
    // Ready when it says it runs, which it does only once it listens; a port taken in the
    // meantime ends it.
    bool up = false;
    waitUntil(
        [&] {
            up = (readFileBytes(out) + readFileBytes(err)).find(" running") != std::string::npos;
            return up || !process_.running();
        },
        20);
    if (!up) process_.stop(SIGKILL, 5);
    return up;
}

void TestBroker::stop() { process_.stop(SIGTERM, 10); }

TestSubscriber::TestSubscriber(const std::string& dir, int port, const std::string& topic,
                               std::vector<std::string> args) {
    static std::atomic<int> count{0};
    file_ = dir + "/sub-" + std::to_string(getpid()) + "-" + std::to_string(++count) + ".txt";
    // "-d" has it say when the broker acknowledged the subscription: nothing published
    // before that would reach it. Its output goes to a file, which stdio would fill in
    // blocks: line by line, the acknowledgement is seen when it comes.
    std::vector<std::string> argv = {"/usr/bin/stdbuf", "-oL", "/usr/bin/mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(port),
                                     "-t", topic, "-v", "-q", "1", "-d"};
    argv.insert(argv.end(), args.begin(), args.end());
    subscribed_ = process_.start(argv, file_, file_ + ".err") &&
                  waitUntil([&] { return readFileBytes(file_).find(kSubscribed) != std::string::npos; }, 20);
}

std::vector<std::string> TestSubscriber::lines() const {
    // Only what was received: the "-d" lines about the connection all start alike.
    std::vector<std::string> received;
    for (auto& l : splitLines(readFileBytes(file_)))
        if (l.rfind("Client ", 0) != 0 && l.rfind(kSubscribed, 0) != 0) received.push_back(std::move(l));
    return received;
}

bool TestSubscriber::waitFor(const std::function<bool(const std::vector<std::string>&)>& done, double seconds) const {
    return waitUntil([&] { return done(lines()); }, seconds);
}

std::string retained(int port, const std::string& topic) {
    const ProcessResult r = runProcess("/usr/bin/mosquitto_sub -h 127.0.0.1 -p " + std::to_string(port) + " -t '" +
                                       topic + "' -C 1 -W 1");
    const auto l = splitLines(r.out);
    return l.empty() ? std::string() : l.front();
}

}  // namespace kubtest
