#pragma once
// Feeds a recording through the block dispatch as if the sound card delivered it, block
// by block, with the stream clock advancing by each block's length.

#include <functional>
#include <string>

#include "capture/block_dispatcher.h"

namespace kub {

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

// The blocks of a source as the sound card would deliver them: its frames, the last block
// filled up with silence, then kFlushBlocks blocks of silence; nothing of an empty source.
class SourceBlocks {
public:
    explicit SourceBlocks(StereoSource& source) : source_(source) {}
    // Fills `block` with the next block; false after the last.
    bool next(CaptureBlock& block);
    long long frames() const { return frames_; }

private:
    StereoSource& source_;
    long long frames_ = 0;
    int silentBlocks_ = 0;
    bool sourceDone_ = false;
};

// Any source of frames, the same way; `frames` of the result counts what it delivered.
// `afterBlock`, when given, runs after each block (the tool lets its exports work there).
FileDecodeResult feedStereoSource(StereoSource& source, BlockDispatcher& dispatcher, StreamClock* clock,
                                  const std::function<void()>& afterBlock = {});

// A recording file handed to `feed` as a source; the reason as the result's error when it
// cannot be opened.
FileDecodeResult feedAudioFileWith(const std::string& path,
                                   const std::function<FileDecodeResult(StereoSource&)>& feed);

FileDecodeResult feedAudioFile(const std::string& path, BlockDispatcher& dispatcher,
                               StreamClock* clock, const std::function<void()>& afterBlock = {});

}  // namespace kub
