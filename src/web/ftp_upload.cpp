#include "web/ftp_upload.h"

#include <cstdio>

#include "common/time_text.h"
#include "storage/text_file.h"

namespace kub {

namespace {

constexpr const char* kNotTransferred = "Datei nicht übertragen-> ";

void uploadMessage(FtpUploadContext& ctx, const std::string& text) {
    ctx.window.addUploadMessage(timeText(ctx.clock.now()) + " " + text);
}

void transferError(FtpUploadContext& ctx, int number, const std::string& description) {
    ctx.window.messageBox("Fehler bei der Übertragung: " + std::to_string(number) + "=" + description,
                          "KUB-Monitor");
}

std::string failureReason(const ProcessOutcome& r) {
    const std::string said = lastLine(r.err);
    if (!said.empty()) return said;
    if (!r.exited) return "FTP-Programm abgebrochen";
    return "FTP-Programm endete mit Status " + std::to_string(r.exitCode);
}

}  // namespace

std::string lastLine(const std::string& text) {
    std::string last, line;
    for (char c : text + "\n") {
        if (c == '\n' || c == '\r') {
            if (line.find_first_not_of(" \t") != std::string::npos) last = line;
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    return last;
}

std::string ftpScriptName(const LocalTime& now) {
    return "ftp" + timeText(now).substr(6, 2) + ".dat";
}

std::vector<std::string> ftpScriptLines(const Settings& s, const std::string& pagePath) {
    std::vector<std::string> lines{s.ftpLogin, s.ftpPassword, "bin"};
    if (!s.ftpFolder.empty()) {
        lines.push_back("cd " + s.ftpFolder);
        lines.push_back("dir");
    }
    lines.push_back("put " + pagePath);
    lines.push_back("disconnect");
    lines.push_back("quit");
    return lines;
}

void removeFtpScripts(const std::string& programFolder) {
    for (int second = 0; second < 60; ++second) {
        const std::string name = std::string(second < 10 ? "ftp0" : "ftp") + std::to_string(second) + ".dat";
        std::remove((programFolder + "/" + name).c_str());
    }
}

std::string statusPagePath(const std::string& programFolder) { return programFolder + "/status.html"; }

UploadResult runFtpUpload(FtpUploadContext& ctx, const std::string& path) {
    const Settings& s = ctx.settings;
    if (s.ftpHost.empty()) {
        uploadMessage(ctx, std::string(kNotTransferred) + "kein Hostname angegeben");
        return UploadResult::NotStarted;
    }
    if (s.ftpLogin.empty()) {
        uploadMessage(ctx, std::string(kNotTransferred) + "kein Login vorhanden");
        return UploadResult::NotStarted;
    }
    if (!fileExists(path)) {
        uploadMessage(ctx, "Fehler: Datei nicht übertragen");
        return UploadResult::NotStarted;
    }

    const std::string script = ctx.programFolder + "/" + ftpScriptName(ctx.clock.now());
    // The script holds login and password: readable by us alone, and gone once the
    // client is done with it.
    if (!writeTextLines(script, ftpScriptLines(s, path), FileAccess::OwnerOnly)) {
        std::remove(script.c_str());
        transferError(ctx, 75, "Skriptdatei " + script + " kann nicht geschrieben werden");
        return UploadResult::NotStarted;
    }
    std::vector<std::string> args = ctx.ftpLeadingArgs;
    args.insert(args.end(), {"-v", "-s:" + script, s.ftpHost});
    const ProcessOutcome r = ctx.runner.run(ctx.ftpProgram, args);
    std::remove(script.c_str());
    if (!r.started) {
        transferError(ctx, 53, "FTP-Programm nicht gefunden: " + ctx.ftpProgram);
        return UploadResult::NotStarted;
    }
    // The client's verdict decides: a failed login or a refused file is no transfer.
    const bool ok = r.exited && r.exitCode == 0;
    uploadMessage(ctx, ok ? std::string("Datei übertragen") : kNotTransferred + failureReason(r));
    ctx.pause.pauseMs(ctx.pauseAfterUploadMs);
    return ok ? UploadResult::Transferred : UploadResult::Failed;
}

UploadResult uploadStatusPage(FtpUploadContext& ctx) {
    const std::string page = statusPagePath(ctx.programFolder);
    if (!ctx.settings.dialUp) return runFtpUpload(ctx, page);

    // Dialled in already (by us, for an upload still running, or by someone else).
    if (ctx.dialUp.isDialUpConnected()) return UploadResult::NotStarted;

    std::string dialled;
    const std::vector<std::string> book = ctx.dialUp.phoneBook();
    if (book.empty()) {
        ctx.window.messageBox("Keine DFÜ-Verbindung vorhanden", "Upload zum Web-Server - Einwählen");
    } else {
        const int choice = ctx.window.chooseDialUpEntry(book);
        if (choice >= 0 && static_cast<std::size_t>(choice) < book.size() && ctx.dialUp.dial(book[static_cast<std::size_t>(choice)]))
            dialled = book[static_cast<std::size_t>(choice)];
    }

    UploadResult result = UploadResult::NotStarted;
    if (ctx.dialUp.isDialUpConnected())
        result = runFtpUpload(ctx, page);
    else
        ctx.window.messageBox("DFÜ-Verbindung konnte nicht hergestellt werden!", "Änderung zum Webserver kopieren");
    if (!dialled.empty()) ctx.dialUp.hangUp(dialled);
    return result;
}

}  // namespace kub
