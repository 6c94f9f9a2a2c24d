#pragma once
// A real mosquitto broker for the tests, on loopback on a free port, started and stopped
// by the test; a mosquitto_sub that writes "topic payload" lines to a file; and
// background processes (kubmon run) with their output in files.

#include <functional>
#include <string>
#include <vector>

namespace kubtest {

bool haveMosquitto();
int freeLoopbackPort();

class Spawned {
public:
    Spawned() = default;
    ~Spawned();
    Spawned(const Spawned&) = delete;
    Spawned& operator=(const Spawned&) = delete;
    // argv[0] is the program; stdout and stderr go to the given files.
    bool start(const std::vector<std::string>& argv, const std::string& outFile, const std::string& errFile);
    // The signal, then waits; the exit status (-1 when killed by a signal).
    int stop(int signal, double waitSeconds = 20);
    bool running();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
};

class TestBroker {
public:
    // `extra` goes into the configuration (password_file, persistence …).
    TestBroker(std::string dir, std::string extra = {});
    bool start();
    void stop();
    int port() const { return port_; }

private:
    bool startOnPort();

    std::string dir_;
    std::string extra_;
    int port_ = 0;
    Spawned process_;
};

// mosquitto_sub on `topic`, "-v" lines into a file; `args` are further options. Constructed
// once the broker has acknowledged the subscription (or 20 s have passed: `subscribed()`).
class TestSubscriber {
public:
    TestSubscriber(const std::string& dir, int port, const std::string& topic, std::vector<std::string> args = {});
    bool subscribed() const { return subscribed_; }
    std::vector<std::string> lines() const;
    // Waits until `done` holds for the lines, at most `seconds`.
    bool waitFor(const std::function<bool(const std::vector<std::string>&)>& done, double seconds = 20) const;
    bool waitForCount(std::size_t n, double seconds = 20) const {
        return waitFor([n](const auto& l) { return l.size() >= n; }, seconds);
    }

private:
    std::string file_;
    Spawned process_;
    bool subscribed_ = false;
};

// The one retained message of a topic ("" when there is none within a second).
std::string retained(int port, const std::string& topic);

// Waits until `done` holds, at most `seconds`.
bool waitUntil(const std::function<bool()>& done, double seconds);

}  // namespace kubtest
