#pragma once
// Copying the status page to the web server: the script for the command-line FTP
// client, the client run to its end, progress lines in List5, and the dial-up around it.

#include <string>
#include <vector>

#include "common/clock.h"
#include "common/event_pause.h"
#include "core/reception_window.h"
#include "storage/settings.h"
#include "web/dial_up.h"
#include "web/process_runner.h"

namespace kub {

struct FtpUploadContext {
    const Settings& settings;
    std::string programFolder;
    const Clock& clock;
    ReceptionWindow& window;
    ProcessRunner& runner;
    EventPause& pause;
    DialUp& dialUp;
    // The client: program and the arguments before "-v -s:SCRIPT HOST" ({"ftp"} when
    // the client is kubmon's sub-command).
    std::string ftpProgram;
    std::vector<std::string> ftpLeadingArgs;
    // Breathing time after each run of the client.
    int pauseAfterUploadMs = 5000;
};

// "ftp07.dat" at hh:mm:07.
std::string ftpScriptName(const LocalTime& now);
std::vector<std::string> ftpScriptLines(const Settings& settings, const std::string& pagePath);
std::string statusPagePath(const std::string& programFolder);
// Scripts left behind by a run that ended in the middle of an upload ("ftp00.dat" to
// "ftp59.dat"): they hold the password and serve nothing any more.
void removeFtpScripts(const std::string& programFolder);

enum class UploadResult { NotStarted, Transferred, Failed };

// The checks, the script, the client; every outcome leaves one line in List5 (or a
// message box when the upload itself could not be set going).
UploadResult runFtpUpload(FtpUploadContext& ctx, const std::string& path);
// The page of the program folder, over the dial-up connection when that is configured.
UploadResult uploadStatusPage(FtpUploadContext& ctx);

}  // namespace kub
