// kubmon verlauf --statuszeiten: the vehicles' status times. Their computation lands
// separately; until then the option says so.

#include "commands.h"
#include "common/stderr_line.h"

namespace kubmon {

int runStatusTimesCommand(const Args& /*args*/) {
    kub::writeStderrLine("kubmon verlauf", "--statuszeiten: noch nicht verfügbar.");
    return 2;
}

}  // namespace kubmon
