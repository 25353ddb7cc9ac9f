#include "proplist/edit_history.h"

#include "ole/hresult.h"

namespace proplist {

HRESULT EditHistory::Record(std::wstring_view name, const VARIANT& before, const VARIANT& after) noexcept {
    return ole::Guarded([&] {
        const std::wstring path[] = {std::wstring(name)};
        return Record(path, before, after);
    });
}

HRESULT EditHistory::Record(std::span<const std::wstring> path, const VARIANT& before, const VARIANT& after) noexcept {
    return ole::Guarded([&]() -> HRESULT {
        Step step{{path.begin(), path.end()}, {}, {}};
        RETURN_IF_FAILED(step.before.CopyFrom(before));
        RETURN_IF_FAILED(step.after.CopyFrom(after));
        // A new edit ends what could be redone.
        steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(done_), steps_.end());
        steps_.push_back(std::move(step));
        if (steps_.size() > kCapacity) steps_.pop_front();
        done_ = steps_.size();
        ++revision_;
        return S_OK;
    });
}

void EditHistory::Clear() noexcept {
    steps_.clear();
    done_ = 0;
    ++revision_;
}

void EditHistory::StepBack() noexcept {
    if (done_ == 0) return;
    --done_;
    ++revision_;
}

void EditHistory::StepForward() noexcept {
    if (done_ == steps_.size()) return;
    ++done_;
    ++revision_;
}

}  // namespace proplist
