#pragma once

#include "ole/com_ptr.h"
#include "ole/connection_point.h"
#include "ole/dispatch_impl.h"
#include "ole/hresult.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include "kavella.h"

#include <windows.h>
#include <ocidl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// What the list records, in order: "Redraw=0", "PopulateFromObject", "PropertyItems", "Clear",
// "Advise", "Unadvise", and for items "<name>.<member>" for a read ("Caption.Style") or
// "<name>.<member>=<value>" for a write ("Caption.Visible=0", "Caption.Modified=True").
using CallLog = std::vector<std::wstring>;

// What a list shares with the items it made, so that items outliving their list still log and
// still fail as asked.
struct ListState {
    CallLog log;
    bool logging = true;
    std::map<std::wstring, HRESULT> failures;
    HRESULT Fail(const std::wstring& member) const;
};

// One item that PopulateFromObject generates.
struct CatalogueEntry {
    std::wstring name;
    bool readOnly = false;
    LONG style = 1;  // 0 is the custom style
};

class FakeItem;

// The list's event connection point, logging "Advise" and "Unadvise" and failing as asked.
class LoggingConnectionPoint final : public ole::ConnectionPoint {
public:
    LoggingConnectionPoint(IUnknown* owner, std::shared_ptr<ListState> state)
        : ConnectionPoint(owner, DIID___Kavella), state_(std::move(state)) {}
    IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;

private:
    std::shared_ptr<ListState> state_;
};

// A double of the property list on the list's own type library (calls by name and by id both
// work), with the runtime's connection point for its events, a log of every call, failure
// injection, and live reference counts for everything it hands out.
//
// As a control it offers just enough of IOleObject for a container to place it.
class FakeList final : public Double<FakeList, ole::DispatchImpl<_Kavella>, IConnectionPointContainer, IOleObject,
                                    IOleInPlaceObject> {
public:
    static ole::ComPtr<FakeList> Create() { return Make(); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    // PopulateFromObject appends one item per catalogue entry, each call anew.
    void SetCatalogue(std::vector<CatalogueEntry> items) { catalogue_ = std::move(items); }
    // Makes a member fail with `failure` (and error info): "PopulateFromObject", "Advise", or
    // "<item>.<member>.get/.put".
    void FailOn(const std::wstring& member, HRESULT failure) { state_->failures[member] = failure; }
    void StopFailing(const std::wstring& member) { state_->failures.erase(member); }

    // Raises the event of that name, arguments in natural order, to every connected sink.
    HRESULT RaiseEvent(const wchar_t* name, std::vector<VARIANT> arguments = {});
    // Raises the item-changed event for an item, passing it by reference.
    HRESULT RaiseItemChanged(FakeItem* item);

    const CallLog& Log() const { return state_->log; }
    // A line of the test's own in the log, to see where something happened among the calls.
    void Note(const std::wstring& line) { state_->log.push_back(line); }
    void ClearLog() { state_->log.clear(); }
    // Without logging (and with no failures asked for) the list costs next to nothing per
    // call, so that benchmarks measure the caller.
    void SetLogging(bool logging) { state_->logging = logging; }
    std::vector<std::wstring> LogStartingWith(const std::wstring& prefix) const;

    FakeItem* Item(const std::wstring& name) const;
    std::vector<FakeItem*> Items() const;
    size_t SinkCount() const { return events_.Sinks<IDispatch>().size(); }
    // The objects PopulateFromObject was given, as raw pointers (they are not kept).
    const std::vector<const void*>& PopulatedFrom() const { return populatedFrom_; }

    // _Kavella
    IFACEMETHODIMP get_PropertyItems(IPropertyItems** items) override;
    IFACEMETHODIMP PopulateFromObject(VARIANT object) override;
    IFACEMETHODIMP get_Redraw(VARIANT_BOOL* redraw) override { return NotImplemented(redraw); }
    IFACEMETHODIMP put_Redraw(VARIANT_BOOL redraw) override;
    IFACEMETHODIMP get_Font(IFontDisp** font) override { return NotImplemented(font); }
    IFACEMETHODIMP putref_Font(IFontDisp* font) override;
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override { return NotImplemented(enabled); }
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL enabled) override;
    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override { return NotImplemented(points); }
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    // IOleObject
    IFACEMETHODIMP SetClientSite(IOleClientSite*) override { return S_OK; }
    IFACEMETHODIMP GetClientSite(IOleClientSite** site) override { return NotImplemented(site); }
    IFACEMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    IFACEMETHODIMP Close(DWORD) override { return S_OK; }
    IFACEMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override { return NotImplemented(moniker); }
    IFACEMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetClipboardData(DWORD, IDataObject** data) override { return NotImplemented(data); }
    IFACEMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return S_OK; }
    IFACEMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override { return NotImplemented(verbs); }
    IFACEMETHODIMP Update() override { return S_OK; }
    IFACEMETHODIMP IsUpToDate() override { return S_OK; }
    IFACEMETHODIMP GetUserClassID(CLSID* classId) override { return NotImplemented(classId); }
    IFACEMETHODIMP GetUserType(DWORD, LPOLESTR* name) override { return NotImplemented(name); }
    IFACEMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    IFACEMETHODIMP GetExtent(DWORD, SIZEL* size) override { return NotImplemented(size); }
    IFACEMETHODIMP Advise(IAdviseSink*, DWORD* cookie) override { return NotImplemented(cookie); }
    IFACEMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override { return NotImplemented(advises); }
    IFACEMETHODIMP GetMiscStatus(DWORD, DWORD* status) override { return NotImplemented(status); }
    IFACEMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
    // IOleWindow, IOleInPlaceObject: a windowless double
    IFACEMETHODIMP GetWindow(HWND* window) override { return NotImplemented(window); }
    IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP InPlaceDeactivate() override { return S_OK; }
    IFACEMETHODIMP UIDeactivate() override { return S_OK; }
    IFACEMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    IFACEMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

private:
    friend Double;
    class ItemCollection;
    FakeList();

    // An out-parameter, when there is one, is cleared as a failing method's must be.
    template <typename Out>
    static HRESULT NotImplemented(Out* result) {
        if (result) *result = {};
        return E_NOTIMPL;
    }

    std::shared_ptr<ListState> state_ = std::make_shared<ListState>();
    std::vector<CatalogueEntry> catalogue_;
    ole::ComPtr<ItemCollection> items_;
    LoggingConnectionPoint events_;
    std::vector<const void*> populatedFrom_;
};

// An item of the fake list, with every flag readable and settable by the test.
class FakeItem final : public Double<FakeItem, ole::DispatchImpl<IPropertyItem>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    const std::wstring& ItemName() const { return name_; }
    const ole::Variant& StoredValue() const { return value_; }
    const ole::Variant& StoredModified() const { return modified_; }
    VARIANT_BOOL StoredVisible() const { return visible_; }
    void SetStoredValue(const VARIANT& value);
    void SetStoredModified(const VARIANT& marker);
    void SetStoredVisible(VARIANT_BOOL visible) { visible_ = visible; }
    // A raw read-only flag, to test values other than True and False.
    void SetStoredReadOnly(VARIANT_BOOL readOnly) { readOnly_ = readOnly; }

    // IPropertyItem
    IFACEMETHODIMP get_Value(VARIANT* value) override { return ReadVariant(L"Value", value, value_); }
    IFACEMETHODIMP put_Value(VARIANT value) override { return WriteVariant(L"Value", value, value_); }
    IFACEMETHODIMP get_Name(BSTR* name) override;
    IFACEMETHODIMP get_ReadOnly(VARIANT_BOOL* readOnly) override { return Read(L"ReadOnly", readOnly, readOnly_); }
    IFACEMETHODIMP get_Style(LONG* style) override { return Read(L"Style", style, style_); }
    IFACEMETHODIMP get_Visible(VARIANT_BOOL* visible) override { return Read(L"Visible", visible, visible_); }
    IFACEMETHODIMP put_Visible(VARIANT_BOOL visible) override;
    IFACEMETHODIMP get_Modified(VARIANT* modified) override { return ReadVariant(L"Modified", modified, modified_); }
    IFACEMETHODIMP put_Modified(VARIANT modified) override { return WriteVariant(L"Modified", modified, modified_); }

private:
    friend Double;
    FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry);

    bool Quiet() const { return !state_->logging && state_->failures.empty(); }
    // Logs a read ("Caption.Style") or a write ("Caption.Visible=0") and fails it if asked.
    HRESULT Enter(const std::wstring& member, const std::wstring& written = {}) const;
    template <typename Value>
    HRESULT Read(const wchar_t* member, Value* out, Value stored) const {
        if (!out) return E_POINTER;
        RETURN_IF_FAILED(Enter(member));
        *out = stored;
        return S_OK;
    }
    HRESULT ReadVariant(const wchar_t* member, VARIANT* out, const ole::Variant& stored) const;
    HRESULT WriteVariant(const wchar_t* member, const VARIANT& written, ole::Variant& stored) const;

    std::shared_ptr<ListState> state_;
    std::wstring name_;
    ole::Variant value_;
    ole::Variant modified_;
    VARIANT_BOOL readOnly_;
    LONG style_;
    VARIANT_BOOL visible_ = VARIANT_TRUE;
};

// How a VARIANT reads in the log: "True", "False", "Empty", "Null", "7", "'text'", "object".
std::wstring Describe(const VARIANT& value);

}  // namespace doubles
