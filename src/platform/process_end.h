#pragma once

namespace kub {

// Ends the process once the program has shut down everything of its own (files written
// and closed, outputs drained, the application object gone). Library destructors are
// not run: Qt Multimedia's PulseAudio engine is torn down by one while its own thread may
// still be handling a reply from the sound server (seen on pipewire-pulse after a capture
// stopped), and that crashed a monitor which had already finished its work cleanly.
[[noreturn]] void endProcess(int status);

}  // namespace kub
