#include "proplist/kavella_list.h"

// The list follows the object it shows: the object's own changes are read again as they are
// reported, and the user's edits can be undone until the list shows another object.
namespace proplist {

void KavellaList::ShowObject(IDispatch* object) noexcept {
    const auto reread = [this](DISPID id) {
        // The object may let go of the list while it answers.
        const ole::ComPtr<IUnknown> lifeline(Identity());
        const ole::ComPtr<PropertyItems> items = items_;
        RereadProperties(shown_.Subscribed(), *items.Get(), id);
    };
    if (shown_.Show(object, reread)) view_->ForgetEdits();
}

void KavellaList::StopShowing() noexcept {
    shown_.Forget();
    descriptions_.Forget();
    view_->StopFollowingNested();
    view_->ForgetEdits();
}

void KavellaList::ItemEdited(PropertyItem& item, const VARIANT& before) noexcept { view_->ItemEdited(item, before); }

HRESULT KavellaList::Close(DWORD saveOption) {
    StopShowing();
    return ControlOf::Close(saveOption);
}

}  // namespace proplist
