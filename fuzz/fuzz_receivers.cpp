// "ZVEI.txt" and "ZVEI_FMS_Zuord.txt" as the start-up reads them, the lookups every ZVEI
// and POCSAG reception makes, and the rewrite on removing an assignment.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "storage/receiver_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string& folder = kubfuzz::programFolder();
    const std::size_t rest = size - 1;
    const std::size_t split = rest == 0 ? 0 : data[0] % (rest + 1);
    kubfuzz::writeFile(kub::receiverListPath(folder), data + 1, split);
    kubfuzz::writeFile(kub::assignmentPath(folder), data + 1 + split, rest - split);

    kub::ReceiverLists lists;
    lists.load(folder);
    for (const std::string code : {"25431", "1234567", "", "2543", "ABCDE"}) (void)lists.display(code);
    if (!lists.receiverList.empty()) (void)lists.display(lists.receiverList.front().nummer);
    if (!lists.assignmentList.empty()) {
        const kub::AssignmentRecord a = lists.assignmentList.front();
        (void)lists.display(a.code);
        kub::removeAssignment(folder, lists.assignmentList, a.kennung, a.code);
    }
    kub::addAssignment(folder, lists.assignmentList, "62341234", "25431", "Florian 1");
    kub::saveReceiverList(folder, lists.receiverList);
    const auto again = kub::loadReceiverList(folder);
    (void)again;
    return 0;
}
