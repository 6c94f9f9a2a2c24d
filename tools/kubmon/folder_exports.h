#pragma once
// The exports of `kubmon decode --folder` (action program, TCP export, local message
// export), which run on Qt's event loop. Only the full program (`kubmon-full`) has them;
// the front (`kubmon`) hands such a command over to it, since loading Qt and the libraries
// behind it would cost every plain decode more than its start.

#include <functional>
#include <memory>
#include <string>

namespace kub {
struct ReceptionContext;
struct Settings;
}  // namespace kub

namespace kubmon {

class FolderExports {
public:
    virtual ~FolderExports() = default;
    // Between the blocks: lets the exports send and start.
    virtual void betweenBlocks() = 0;
    // At the end: the queued lines get their time to go out.
    virtual void shutdown() = 0;
};

// Loads the folder's "Mon.ini" into `settings` and binds its exports to `context`; `say`
// gets every remark. The front never returns from it unless the full program cannot be
// started (then null, having said why).
std::unique_ptr<FolderExports> startFolderExports(const std::string& folder, kub::Settings& settings,
                                                  kub::ReceptionContext& context,
                                                  const std::function<void(const std::string&)>& say);

}  // namespace kubmon
