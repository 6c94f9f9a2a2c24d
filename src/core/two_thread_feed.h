#pragma once
// A recording decoded on two threads: one reads ahead, splits each block and decodes its
// right channel; the caller's thread decodes the left channel and handles both, block by
// block, left first, with the stream clock advanced and the block's after-work done as
// feedStereoSource does. The decoders never look at what the handling does, so the
// receptions, their order and their times are the same as on one thread; only the
// decoder switches and options must stay as they are while it runs.

#include <functional>
#include <string>

#include "capture/file_source.h"

namespace kub {

class MonitorCore;
class StereoSource;
class StreamClock;

FileDecodeResult feedStereoSourceOnTwoThreads(StereoSource& source, MonitorCore& core, StreamClock* clock,
                                              const std::function<void()>& afterBlock = {});

// A recording file; the reading thread stops with a file that cannot be read on.
FileDecodeResult feedAudioFileOnTwoThreads(const std::string& path, MonitorCore& core, StreamClock* clock,
                                           const std::function<void()>& afterBlock = {});

}  // namespace kub
