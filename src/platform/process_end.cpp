#include "platform/process_end.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace kub {

void endProcess(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    // The leak check normally runs from the exit handlers skipped below.
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

}  // namespace kub
