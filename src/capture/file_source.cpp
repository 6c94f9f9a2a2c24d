#include "capture/file_source.h"

#include <algorithm>

#include "capture/audio_file.h"
#include "common/clock.h"

namespace kub {

FileDecodeResult feedAudioFileWith(const std::string& path,
                                   const std::function<FileDecodeResult(StereoSource&)>& feed) {
    AudioFileReader reader;
    if (!reader.open(path)) {
        FileDecodeResult result;
        result.error = reader.error();
        return result;
    }
    return feed(reader);
}

FileDecodeResult feedAudioFile(const std::string& path, BlockDispatcher& dispatcher,
                               StreamClock* clock, const std::function<void()>& afterBlock) {
    return feedAudioFileWith(path, [&](StereoSource& reader) { return feedStereoSource(reader, dispatcher, clock, afterBlock); });
}

bool SourceBlocks::next(CaptureBlock& block) {
    if (silentBlocks_ >= kFlushBlocks) return false;
    std::size_t got = 0;
    if (!sourceDone_) {
        got = source_.read(block.data(), kBlockFrames);
        frames_ += static_cast<long long>(got);
        if (got < static_cast<std::size_t>(kBlockFrames)) sourceDone_ = true;
        if (got == 0 && frames_ == 0) {  // empty input: nothing to decode
            silentBlocks_ = kFlushBlocks;
            return false;
        }
    }
    std::fill(block.begin() + static_cast<long>(2 * got), block.end(), std::int16_t{0});
    if (got == 0) ++silentBlocks_;
    return true;
}

FileDecodeResult feedStereoSource(StereoSource& reader, BlockDispatcher& dispatcher, StreamClock* clock,
                                  const std::function<void()>& afterBlock) {
    SourceBlocks blocks(reader);
    while (blocks.next(dispatcher.captureBuffers[static_cast<std::size_t>(dispatcher.currentBuffer())])) {
        if (clock) clock->advanceFrames(kBlockFrames);
        dispatcher.processCaptureBuffer();
        if (afterBlock) afterBlock();
    }
    FileDecodeResult result;
    result.frames = blocks.frames();
    result.ok = true;
    return result;
}

}  // namespace kub
