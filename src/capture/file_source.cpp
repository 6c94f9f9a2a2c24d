#include "capture/file_source.h"

#include <algorithm>

#include "capture/audio_file.h"
#include "capture/block_dispatcher.h"
#include "common/clock.h"

namespace kub {

FileDecodeResult feedAudioFile(const std::string& path, BlockDispatcher& dispatcher,
                               StreamClock* clock, const std::function<void()>& afterBlock) {
    AudioFileReader reader;
    if (!reader.open(path)) {
        FileDecodeResult result;
        result.error = reader.error();
        return result;
    }
    return feedStereoSource(reader, dispatcher, clock, afterBlock);
}

FileDecodeResult feedStereoSource(StereoSource& reader, BlockDispatcher& dispatcher, StreamClock* clock,
                                  const std::function<void()>& afterBlock) {
    FileDecodeResult result;
    int silentBlocks = 0;
    bool fileDone = false;
    while (silentBlocks < kFlushBlocks) {
        auto& block = dispatcher.captureBuffers[static_cast<std::size_t>(dispatcher.currentBuffer())];
        std::size_t got = 0;
        if (!fileDone) {
            got = reader.read(block.data(), kBlockFrames);
            result.frames += static_cast<long long>(got);
            if (got < static_cast<std::size_t>(kBlockFrames)) fileDone = true;
            if (got == 0 && result.frames == 0) break;  // empty input: nothing to decode
        }
        std::fill(block.begin() + static_cast<long>(2 * got), block.end(), std::int16_t{0});
        if (got == 0) ++silentBlocks;
        if (clock) clock->advanceFrames(kBlockFrames);
        dispatcher.processCaptureBuffer();
        if (afterBlock) afterBlock();
    }
    result.ok = true;
    return result;
}

}  // namespace kub
