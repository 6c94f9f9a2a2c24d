#include "folder_exports.h"

#include <QCoreApplication>

#include "platform/export_bindings.h"
#include "platform/qt_event_pause.h"
#include "storage/settings.h"

namespace kubmon {

namespace {

constexpr int kConnectWaitMs = 5000;

class QtFolderExports final : public FolderExports {
public:
    // The event loop's application comes first, before the settings are read, and goes last.
    QtFolderExports() : app_(argc_, argv_) {}

    void start(kub::Settings& settings, kub::ReceptionContext& context,
               const std::function<void(const std::string&)>& say) {
        bindings_ = std::make_unique<kub::ExportBindings>(settings, pause_);
        bindings_->applyTo(context);
        bindings_->onDropping = say;
        bindings_->startUp();
        // A file decodes faster than a connection is made: wait for it before the first
        // line, or the first receptions would be dropped.
        if (settings.tcpExport && !bindings_->waitUntilConnected(kConnectWaitMs)) {
            say("keine Verbindung zu " + settings.tcpServer + ":" + std::to_string(settings.tcpPort) +
                ", TCP-Zeilen gehen verloren");
        }
    }

    void betweenBlocks() override { QCoreApplication::processEvents(); }
    void shutdown() override { bindings_->shutdown(); }

private:
    int argc_ = 1;
    char name_[7] = "kubmon";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_;
    kub::QtEventPause pause_;
    std::unique_ptr<kub::ExportBindings> bindings_;
};

}  // namespace

std::unique_ptr<FolderExports> startFolderExports(const std::string& folder, kub::Settings& settings,
                                                  kub::ReceptionContext& context,
                                                  const std::function<void(const std::string&)>& say) {
    auto exports = std::make_unique<QtFolderExports>();
    std::vector<std::string> remarks;
    settings = kub::loadSettings(folder, &remarks);
    for (const auto& r : remarks) say(r);
    exports->start(settings, context, say);
    return exports;
}

}  // namespace kubmon
