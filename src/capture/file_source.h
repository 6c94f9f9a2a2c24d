#pragma once
// Feeds a recording through the block dispatch as if the sound card delivered it, block
// by block, with the stream clock advancing by each block's length.

#include <functional>
#include <string>

namespace kub {

class BlockDispatcher;
class StreamClock;
class StereoSource;

struct FileDecodeResult {
    bool ok = false;
    std::string error;     // one line, German
    long long frames = 0;  // frames read from the file
};

// Blocks of silence fed after the end of the file, so a transmission that ends with the
// file is still finished by the decoders (about one second).
constexpr int kFlushBlocks = 22;

// Any source of frames, the same way; `frames` of the result counts what it delivered.
// `afterBlock`, when given, runs after each block (the tool lets its exports work there).
FileDecodeResult feedStereoSource(StereoSource& source, BlockDispatcher& dispatcher, StreamClock* clock,
                                  const std::function<void()>& afterBlock = {});

FileDecodeResult feedAudioFile(const std::string& path, BlockDispatcher& dispatcher,
                               StreamClock* clock, const std::function<void()>& afterBlock = {});

}  // namespace kub
