#pragma once
// A real PostgreSQL server for the tests, on loopback on a free port (as root, initdb and
// the server run as "postgres"). Under ctest one server serves the whole run: the fixture
// test_postgres.sh starts it and names it in the file $KUB_TEST_POSTGRES. Run by hand,
// the test program makes its own (initdb into a fresh folder) and stops it at the end.
// Each test takes a database of its own, so tests running side by side never meet.

#include <string>

namespace kubtest {

class TestPostgres {
public:
    // The server of this test run, started at the first call. unavailable() says why
    // there is none (PostgreSQL not installed, or it would not start).
    static TestPostgres& shared();
    // A server of this test program alone, for a test that stops and starts it.
    static TestPostgres& own();
    ~TestPostgres();

    const std::string& unavailable() const { return unavailable_; }
    // A new empty database; its URL, or empty when it could not be made.
    std::string newDatabase();
    // The server goes away and comes back (a district server restarted); own() only.
    bool stop();
    bool start();
    // The URL of a database on a port where no server listens.
    static std::string nowhere();

private:
    explicit TestPostgres(bool fixture);
    // The server the ctest fixture started; false when there is no fixture.
    bool useFixture();
    std::string base_;  // postgresql://postgres@127.0.0.1:PORT/
    std::string dir_;
    std::string bin_;
    std::string unavailable_;
    int port_ = 0;
    int databases_ = 0;
    bool started_ = false;
    bool mine_ = false;  // started (and so stopped) by this process
};

}  // namespace kubtest
