#pragma once
// The FTP script as the command-line client reads it: the login on the first line, the
// password on the second, then one command per line (bin, cd, dir, put, disconnect,
// quit). Also the host argument, which may carry a port.

#include <optional>
#include <string>
#include <vector>

namespace kub {

struct FtpCommand {
    std::string verb;  // lower case
    std::string rest;  // everything after the verb, blanks around it removed
};

struct FtpScript {
    std::string login;
    std::string password;
    std::vector<FtpCommand> commands;
};

// Lines without their line ends. Empty command lines are skipped; a script of fewer than
// two lines leaves login or password empty.
FtpScript parseFtpScript(const std::vector<std::string>& lines);

// Blank-separated words; a word in double quotes may hold blanks.
std::vector<std::string> splitFtpWords(const std::string& rest);

struct FtpHost {
    std::string host;  // without brackets, also for IPv6
    int port = 21;
};
// "host", "host:2121", "[::1]:2121"; nullopt for an empty host or a bad port.
std::optional<FtpHost> parseFtpHost(const std::string& text);

// The name of a file without its folder, whichever separator the path uses.
std::string fileNamePart(const std::string& path);

}  // namespace kub
