// kubmon gen: writes test signals as WAV files.

#include <cstdio>

#include "commands.h"

namespace kubmon {

int genCommand(const Args&) {
    std::fprintf(stderr, "kubmon gen: noch nicht verfügbar\n");
    return 2;
}

}  // namespace kubmon
