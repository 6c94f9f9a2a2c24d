#include "hand_over.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "common/stderr_line.h"
#include "folder_exports.h"
#include "sdr_file_input.h"

namespace kubmon {

namespace {

constexpr const char* kFullProgram = "kubmon-full";
char** rememberedArgv = nullptr;

}  // namespace

void rememberArguments(char** argv) { rememberedArgv = argv; }

std::string handOverProblem() {
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    int error = ENOENT;
    if (!ec && rememberedArgv) {
        // Nothing of ours is in the stdio buffers yet; flushed all the same, since exec drops them.
        std::fflush(nullptr);
        for (const std::filesystem::path& full : {dir / kFullProgram, dir / KUB_FULL_FROM_BIN / kFullProgram}) {
            ::execv(full.c_str(), rememberedArgv);
            if (errno != ENOENT) error = errno;
        }
    }
    return std::string(kFullProgram) + " nicht startbar: " + std::strerror(error);
}

int handOver() {
    kub::writeStderrLine("kubmon", handOverProblem());
    return 2;
}

// The front has no event loop: a program folder's exports are the full program's.
std::unique_ptr<FolderExports> startFolderExports(const std::string&, kub::Settings&, kub::ReceptionContext&,
                                                  const std::function<void(const std::string&)>&) {
    handOver();
    return nullptr;
}

// Nor the SDR input's libraries (liquid-dsp, FFTW, VOLK: some 7 ms of loading per start).
kub::FileDecodeResult decodeSdrInput(const kub::SdrOptions&, kub::MonitorCore&, kub::StreamClock&,
                                     const std::function<void()>&, const std::function<void(const std::string&)>&) {
    kub::FileDecodeResult result;
    result.error = handOverProblem();
    return result;
}

}  // namespace kubmon
