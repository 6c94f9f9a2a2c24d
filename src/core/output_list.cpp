#include "core/output_list.h"

#include <algorithm>

namespace kub {

OutputRegistration::OutputRegistration(OutputRegistration&& other) noexcept
    : list_(other.list_), output_(other.output_) {
    other.list_ = nullptr;
    other.output_ = nullptr;
}

OutputRegistration& OutputRegistration::operator=(OutputRegistration&& other) noexcept {
    if (this != &other) {
        reset();
        list_ = other.list_;
        output_ = other.output_;
        other.list_ = nullptr;
        other.output_ = nullptr;
    }
    return *this;
}

void OutputRegistration::reset() {
    if (list_) list_->remove(output_);
    list_ = nullptr;
    output_ = nullptr;
}

OutputRegistration OutputList::add(ReceptionOutput& output) {
    outputs_.push_back(&output);
    return OutputRegistration(*this, output);
}

void OutputList::deliver(const ReceptionRecord& record) const {
    // By index: an output may hand an incident record on from inside its own delivery.
    for (std::size_t i = 0; i < outputs_.size(); ++i) outputs_[i]->deliver(record);
}

bool OutputList::contains(const ReceptionOutput& output) const {
    return std::find(outputs_.begin(), outputs_.end(), &output) != outputs_.end();
}

void OutputList::remove(ReceptionOutput* output) {
    // The last one of it: an output registered twice stays once per handle left.
    const auto it = std::find(outputs_.rbegin(), outputs_.rend(), output);
    if (it != outputs_.rend()) outputs_.erase(std::next(it).base());
}

}  // namespace kub
