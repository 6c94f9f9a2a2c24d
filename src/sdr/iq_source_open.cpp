#include "sdr/iq_source_open.h"

#include <unistd.h>

#include "sdr/command_iq_source.h"
#include "sdr/fd_iq_source.h"
#include "sdr/soapy_iq_source.h"

namespace kub {

namespace {

bool startsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

}  // namespace

std::unique_ptr<IqSource> openIqSource(const IqSourceRequest& request, const Clock& clock,
                                       std::function<void(const std::string&)> say, std::string& error) {
    const std::string& s = request.source;
    if (s == "-") return std::make_unique<FdIqSource>(STDIN_FILENO, false, request.format);
    if (startsWith(s, "cmd:")) {
        if (s.size() == 4) {
            error = "--sdr cmd: erwartet einen Befehl, z. B. cmd:rtl_sdr -f 172600000 -s 1024000 -";
            return nullptr;
        }
        return std::make_unique<CommandIqSource>(s.substr(4), clock, std::move(say));
    }
    if (startsWith(s, "soapy:")) return SoapyIqSource::open(s.substr(6), request.rate, request.centre, std::move(say), error);
    return FdIqSource::openFile(s, request.format, error);
}

}  // namespace kub
