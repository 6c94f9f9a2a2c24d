#pragma once
// A real PostgreSQL server for the tests: initdb into a fresh folder, on loopback on a
// free port, stopped at the end (as root, initdb and the server run as "postgres").
// Shared by every test of one run; each test takes a database of its own.

#include <string>

namespace kubtest {

class TestPostgres {
public:
    // The server of this test run, started at the first call. `skip` is set (and the
    // server absent) where PostgreSQL is not installed or would not start.
    static TestPostgres& shared();
    ~TestPostgres();

    const std::string& unavailable() const { return unavailable_; }
    // A new empty database; its URL, or empty when it could not be made.
    std::string newDatabase();
    // The server goes away and comes back (a district server restarted).
    bool stop();
    bool start();
    // The URL of a database on a port where no server listens.
    static std::string nowhere();

private:
    TestPostgres();
    std::string dir_;
    std::string bin_;
    std::string unavailable_;
    int port_ = 0;
    int databases_ = 0;
    bool started_ = false;
};

}  // namespace kubtest
