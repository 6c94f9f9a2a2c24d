#pragma once
// The outputs a reception is handed to, and the handle that keeps one of them there.
// An output is on the list exactly as long as its handle lives: whoever starts an output
// keeps the handle beside it, and no early return or restart can leave a pointer behind
// to an output that is gone while the event loops still hand records on.

#include <vector>

#include "core/reception_output.h"

namespace kub {

class OutputList;

class OutputRegistration {
public:
    OutputRegistration() = default;
    ~OutputRegistration() { reset(); }
    OutputRegistration(OutputRegistration&& other) noexcept;
    OutputRegistration& operator=(OutputRegistration&& other) noexcept;
    OutputRegistration(const OutputRegistration&) = delete;
    OutputRegistration& operator=(const OutputRegistration&) = delete;

    // Takes the output off the list now (the handle then holds nothing).
    void reset();
    bool active() const { return list_ != nullptr; }

private:
    friend class OutputList;
    OutputRegistration(OutputList& list, ReceptionOutput& output) : list_(&list), output_(&output) {}

    OutputList* list_ = nullptr;
    ReceptionOutput* output_ = nullptr;
};

// The list must outlive every handle it gave out (it belongs to the reception context,
// which outlives everything wired to it).
class OutputList {
public:
    OutputList() = default;
    OutputList(const OutputList&) = delete;
    OutputList& operator=(const OutputList&) = delete;

    // `output` behind the ones already there, until the handle goes.
    [[nodiscard]] OutputRegistration add(ReceptionOutput& output);
    void deliver(const ReceptionRecord& record) const;
    bool contains(const ReceptionOutput& output) const;
    std::size_t size() const { return outputs_.size(); }

private:
    friend class OutputRegistration;
    void remove(ReceptionOutput* output);

    std::vector<ReceptionOutput*> outputs_;
};

}  // namespace kub
