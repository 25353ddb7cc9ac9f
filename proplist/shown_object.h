#pragma once

#include "ole/com_ptr.h"
#include "ole/property_notify_connection.h"
#include "proplist/property_items.h"

#include <windows.h>
#include <oaidl.h>

namespace proplist {

// The object the list shows. It is told apart from another by its identity, kept uncounted: the
// list keeps no object alive for showing it. An object that tells of its properties' changes
// (IPropertyNotifySink) is subscribed to while it is shown; its connection point holds it for
// that time, and the subscription holds the list only through a callback it detaches.
class ShownObject {
public:
    using Callback = ole::PropertyNotifyConnection::Callback;

    // From now on the list shows `object`; true when it is another object than the one before.
    // `onChanged` hears of its changes; it must not outlive the list.
    bool Show(IDispatch* object, Callback onChanged) noexcept;
    // The list shows no object any more: the subscription ends.
    void Forget() noexcept;
    // The object while subscribed to it, else null.
    IDispatch* Subscribed() const noexcept { return subscribed_.Get(); }

private:
    const void* identity_ = nullptr;  // compared, never called
    ole::ComPtr<IDispatch> subscribed_;
    ole::PropertyNotifyConnection changes_;
};

// Reads the property `id` (DISPID_UNKNOWN: every one) of `object` into its item again. A value
// read so is no edit: the item keeps what it can be reset to, and the list's user hears nothing.
void RereadProperties(IDispatch* object, PropertyItems& items, DISPID id) noexcept;

// Whether a report of a change of `id` (DISPID_UNKNOWN: of every property) concerns `item`.
bool IsReported(const PropertyItem& item, DISPID id) noexcept;
// Reads `item`'s property from `object` again, as RereadProperties does; a property that cannot
// be read now keeps what it showed, and the failure's error info stays for the caller to clear.
void RereadProperty(IDispatch* object, PropertyItem& item) noexcept;

}  // namespace proplist
