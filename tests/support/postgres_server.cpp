#include "support/postgres_server.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/mqtt_broker.h"
#include "support/run_process.h"

namespace kubtest {

namespace {

std::string asServerUser(const std::string& command) {
    return geteuid() == 0 ? "runuser -u postgres -- " + command : command;
}

}  // namespace

TestPostgres& TestPostgres::shared() {
    static TestPostgres server(true);
    return server;
}

TestPostgres& TestPostgres::own() {
    static TestPostgres server(false);
    return server;
}

bool TestPostgres::useFixture() {
    const char* state = std::getenv("KUB_TEST_POSTGRES");
    if (!state || !*state) return false;
    const std::vector<std::string> lines = splitLines(readFileBytes(state));
    if (lines.empty()) {
        unavailable_ = std::string("der PostgreSQL-Server des Testlaufs fehlt (") + state + " leer)";
    } else if (lines[0].rfind("fehlt: ", 0) == 0) {
        unavailable_ = lines[0].substr(7);
    } else {
        base_ = lines[0];
        started_ = true;
    }
    return true;
}

TestPostgres::TestPostgres(bool fixture) {
    namespace fs = std::filesystem;
    if (fixture && useFixture()) return;
    mine_ = true;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const std::string b = entry.path().string() + "/bin";
        if (fs::exists(b + "/initdb", ec) && fs::exists(b + "/pg_ctl", ec) && b > bin_) bin_ = b;
    }
    if (bin_.empty()) {
        unavailable_ = "PostgreSQL ist nicht installiert (kein initdb unter /usr/lib/postgresql/*/bin)";
        return;
    }
    // Its own folder under /tmp, not inside another test folder: the server user must reach it.
    char tmpl[] = "/tmp/kub-pg-XXXXXX";
    if (!mkdtemp(tmpl)) {
        unavailable_ = "kein temporärer Ordner";
        return;
    }
    dir_ = tmpl;
    if (geteuid() == 0) runProcess("chown postgres " + dir_);
    port_ = freeLoopbackPort();
    const auto init = runProcess(asServerUser(bin_ + "/initdb -D " + dir_ + "/data -A trust -U postgres"));
    if (init.exitCode != 0) {
        unavailable_ = "initdb fehlgeschlagen: " + init.err;
        return;
    }
    base_ = "postgresql://postgres@127.0.0.1:" + std::to_string(port_) + "/";
    if (!start()) unavailable_ = "PostgreSQL startet nicht: " + readFileBytes(dir_ + "/log");
}

bool TestPostgres::start() {
    if (!mine_) return false;
    const auto run = runProcess(asServerUser(bin_ + "/pg_ctl -D " + dir_ + "/data -w -t 60 -o \"-p " +
                                             std::to_string(port_) + " -k " + dir_ +
                                             " -c listen_addresses=127.0.0.1 -c fsync=off\" -l " + dir_ + "/log start"));
    started_ = run.exitCode == 0;
    return started_;
}

bool TestPostgres::stop() {
    if (!mine_) return false;
    // pg_ctl stops the server this run started, by the PID in its data folder.
    const auto run = runProcess(asServerUser(bin_ + "/pg_ctl -D " + dir_ + "/data -w -m fast stop"));
    started_ = !(run.exitCode == 0);
    return !started_;
}

TestPostgres::~TestPostgres() {
    if (mine_ && started_) stop();
    if (mine_ && !dir_.empty()) removeTree(dir_);
}

std::string TestPostgres::newDatabase() {
    if (!started_) return {};
    // The process id in the name: other test programs take databases on the same server.
    const std::string name = "kub_" + std::to_string(getpid()) + "_" + std::to_string(++databases_);
    PGconn* c = PQconnectdb((base_ + "postgres").c_str());
    PGresult* r = PQexec(c, ("CREATE DATABASE " + name + " ENCODING 'UTF8' TEMPLATE template0").c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    PQfinish(c);
    return ok ? base_ + name : std::string();
}

std::string TestPostgres::nowhere() {
    return "postgresql://postgres@127.0.0.1:" + std::to_string(freeLoopbackPort()) + "/kub";
}

}  // namespace kubtest
