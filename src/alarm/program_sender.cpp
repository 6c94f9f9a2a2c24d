#include "alarm/program_sender.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace kub {

namespace {

std::string withoutNul(const std::string& s) { return s.substr(0, s.find('\0')); }

}  // namespace

ProgramSender::~ProgramSender() { reap(); }

void ProgramSender::reap() {
    std::erase_if(running_, [](pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, WNOHANG) != 0;
    });
}

AlarmSendResult ProgramSender::send(const AlarmTarget& target, const AlarmMessage& message,
                                    const std::atomic<bool>& stop) {
    using Outcome = AlarmSendResult::Outcome;
    struct stat st {};
    if (target.path.empty() || target.path.front() != '/')
        return {Outcome::Refused, "Programm \"" + target.path + "\": kein vollständiger Pfad"};
    if (::stat(target.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(target.path.c_str(), X_OK) != 0)
        return {Outcome::Refused, "Programm \"" + target.path + "\" nicht gefunden oder nicht ausführbar"};

    // A slot frees when one of ours ends; a program that hangs keeps its slot, and once
    // all are taken for long the message waits and is tried again later.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::duration<double>(limits_.totalSeconds);
    for (reap(); running_.size() >= limits_.programsRunning; reap()) {
        if (stop.load() || std::chrono::steady_clock::now() > giveUp)
            return {Outcome::Retry, std::to_string(running_.size()) + " gestartete Programme laufen noch"};
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    std::vector<std::string> args{target.path};
    for (const auto& a : message.arguments) args.push_back(withoutNul(a));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string idVariable = "KUB_ALARM_ID=" + withoutNul(message.id);
    std::vector<char*> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "KUB_ALARM_ID=", 13) != 0) env.push_back(*e);
    env.push_back(idVariable.data());
    env.push_back(nullptr);

    // Its input and output are not ours: the program gets /dev/null, and none of our
    // descriptors (sockets, the folder lock) beyond those.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, target.path.c_str(), &files, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&files);
    if (rc == ENOENT || rc == EACCES || rc == ENOEXEC || rc == ENOTDIR)
        return {Outcome::Refused, "Programm \"" + target.path + "\" nicht startbar (" + std::strerror(rc) + ")"};
    if (rc != 0) return {Outcome::Retry, "Programm \"" + target.path + "\" nicht gestartet (" + std::strerror(rc) + ")"};
    running_.push_back(pid);
    return {Outcome::Delivered, {}};
}

}  // namespace kub
