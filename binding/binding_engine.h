#pragma once

#include "binding/uncounted_reference.h"
#include "ole/com_object.h"
#include "ole/event_connection.h"

#include "kavella.h"

#include <windows.h>
#include <oaidl.h>

// What the support object raises to its owner. Both run synchronously inside the operation
// that raises them, and may call the support object again.
class InspectaSupportEvents {
public:
    virtual void AfterPopulate() = 0;
    virtual void PropertyChanged(BSTR propertyName, const VARIANT& value) = 0;

protected:
    ~InspectaSupportEvents() = default;
};

// Binds one client object to the inner list: fills and filters the list, reads the client's
// values into its items and writes edited values back, by name. It never holds a counted
// reference to the client: whoever binds a client keeps it alive until it is unbound.
class InspectaSupport final : public ole::ComObject<InspectaSupport, IUnknown>, private ole::EventReceiver {
public:
    InspectaSupport() noexcept = default;

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    // The owner's subscription to AfterPopulate and PropertyChanged; null ends it.
    void SetEventSink(InspectaSupportEvents* owner) noexcept { owner_ = owner; }

    VARIANT_BOOL AutoWriteProperties() const noexcept { return autoWriteProperties_; }
    void SetAutoWriteProperties(VARIANT_BOOL value) noexcept { autoWriteProperties_ = value; }
    VARIANT_BOOL UseObjectProperty() const noexcept { return useObjectProperty_; }
    HRESULT SetUseObjectProperty(VARIANT_BOOL value) noexcept;
    HRESULT Refresh() noexcept;
    VARIANT_BOOL AutoPopulate() const noexcept { return autoPopulate_; }
    void SetAutoPopulate(VARIANT_BOOL value) noexcept { autoPopulate_ = value; }
    VARIANT_BOOL HideCustomItems() const noexcept { return hideCustomItems_; }
    HRESULT SetHideCustomItems(VARIANT_BOOL value) noexcept;
    VARIANT_BOOL HideReadOnlyItems() const noexcept { return hideReadOnlyItems_; }
    HRESULT SetHideReadOnlyItems(VARIANT_BOOL value) noexcept;
    HRESULT WriteProperties() noexcept;
    ole::ComPtr<IDispatch> ClientObject() const noexcept { return client_.Reference(); }
    HRESULT SetClientObject(IDispatch* client) noexcept;
    HRESULT ReadProperties() noexcept;
    ole::ComPtr<IDispatch> Kavella() const noexcept;
    // Binds the list (or, with null, none); an object that is not the list is refused with a
    // type mismatch and the list bound before stays bound.
    HRESULT SetKavella(IUnknown* list) noexcept;

private:
    ~InspectaSupport() override;

    HRESULT OnEvent(UINT position, DISPPARAMS& parameters) override;
    bool ListensTo(UINT position) const noexcept override;
    HRESULT OnItemChanged(IPropertyItem* item) noexcept;
    HRESULT ReadItem(IPropertyItem* item) noexcept;
    HRESULT FilterItem(IPropertyItem* item) noexcept;
    HRESULT WriteItem(IDispatch* client, IPropertyItem* item) noexcept;

    UncountedReference client_;
    ole::ComPtr<_Kavella> pKavella;
    ole::EventConnection kavellaEvents_;
    InspectaSupportEvents* owner_ = nullptr;
    VARIANT_BOOL hideReadOnlyItems_ = VARIANT_TRUE;
    VARIANT_BOOL hideCustomItems_ = VARIANT_TRUE;
    VARIANT_BOOL autoPopulate_ = VARIANT_TRUE;
    VARIANT_BOOL autoWriteProperties_ = VARIANT_TRUE;
    VARIANT_BOOL useObjectProperty_ = VARIANT_FALSE;
};
