#pragma once

#include "ole/variant.h"

#include <windows.h>

#include <cstddef>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace proplist {

// The user's edits in the list, for undo and redo. A step names its item rather than holding it,
// since a refresh of the same object makes new items under the same names: by the path of names
// from the list's own item down to a nested one. It keeps the values before and after the edit.
// Steps undone stay for redo until the next edit drops them.
class EditHistory {
public:
    static constexpr size_t kCapacity = 100;

    struct Step {
        std::vector<std::wstring> path;
        ole::Variant before;
        ole::Variant after;
    };

    // Adds an edit; the oldest step goes once there are more than kCapacity.
    HRESULT Record(std::span<const std::wstring> path, const VARIANT& before, const VARIANT& after) noexcept;
    // An edit of one of the list's own items.
    HRESULT Record(std::wstring_view name, const VARIANT& before, const VARIANT& after) noexcept;
    void Clear() noexcept;

    // The step an undo reverts (or a redo repeats), or null when there is none.
    const Step* NextUndo() const noexcept { return done_ > 0 ? &steps_[done_ - 1] : nullptr; }
    const Step* NextRedo() const noexcept { return done_ < steps_.size() ? &steps_[done_] : nullptr; }
    // Moves past the step NextUndo (NextRedo) gave, whether it was applied or skipped.
    void StepBack() noexcept;
    void StepForward() noexcept;

    size_t UndoCount() const noexcept { return done_; }
    size_t RedoCount() const noexcept { return steps_.size() - done_; }
    // Changes with every change of the steps or of the position among them: a caller that ran
    // handlers in between can tell whether what it knew still holds.
    unsigned long Revision() const noexcept { return revision_; }

private:
    std::deque<Step> steps_;
    size_t done_ = 0;  // steps before this position are done, the rest undone
    unsigned long revision_ = 0;
};

}  // namespace proplist
