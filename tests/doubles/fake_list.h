#pragma once

#include "ole/com_ptr.h"
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
    // An element that the enumeration yields as a number instead of an item.
    bool notAnItem = false;
};

class FakeItem;

// A double of the property list: it implements the list, its item collection and items on the
// list's own type library (IDispatch through ITypeInfo::Invoke, so calls by name and by id both
// work), one connection point for the list's events, a log of every call, failure injection on
// any member, and live reference counts for everything it hands out.
//
// As a control it offers just enough of IOleObject for a container to place it: the site it is
// given, activation and closing are logged ("SetClientSite", "SetClientSite(null)", "DoVerb",
// "Close"), and where its container puts it ("Position 0,0,200,100", from DoVerb or SetObjectRects).
class FakeList final : public _Kavella,
                       public IConnectionPointContainer,
                       public IOleObject,
                       public IOleInPlaceObject,
                       public TestDouble {
public:
    static ole::ComPtr<FakeList> Create();

    // PopulateFromObject appends one item per catalogue entry, each call anew.
    void SetCatalogue(std::vector<CatalogueEntry> items) { catalogue_ = std::move(items); }
    // Makes a member fail with `failure` (and error info): "PopulateFromObject", "Redraw.put",
    // "PropertyItems", "Clear", "_NewEnum", or "<item>.<member>.get/.put" ("Caption.Value.put").
    void FailOn(const std::wstring& member, HRESULT failure) { state_->failures[member] = failure; }
    void StopFailing(const std::wstring& member) { state_->failures.erase(member); }

    // Raises the event of that name (looked up in the event interface's type information),
    // with arguments in natural order, to every connected sink.
    HRESULT RaiseEvent(const wchar_t* name, std::vector<VARIANT> arguments = {});
    // Raises the item-changed event for an item, passing it by reference.
    HRESULT RaiseItemChanged(FakeItem* item);

    const CallLog& Log() const { return state_->log; }
    // Adds a line of the test's own to the log, to see where something happened among the calls.
    void Note(const std::wstring& line) { state_->log.push_back(line); }
    void ClearLog() { state_->log.clear(); }
    // Without logging (and with no failures asked for) the list costs next to nothing per
    // call, so that benchmarks measure the caller.
    void SetLogging(bool logging) { state_->logging = logging; }
    // The log entries that begin with `prefix`.
    std::vector<std::wstring> LogStartingWith(const std::wstring& prefix) const;

    FakeItem* Item(const std::wstring& name) const;
    std::vector<FakeItem*> Items() const;
    size_t SinkCount() const;
    // The objects PopulateFromObject was given, as raw pointers (they are not kept).
    const std::vector<const void*>& PopulatedFrom() const { return populatedFrom_; }
    VARIANT_BOOL RedrawState() const { return redraw_; }

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }
    // IDispatch
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;
    // _Kavella
    IFACEMETHODIMP get_PropertyItems(IPropertyItems** items) override;
    IFACEMETHODIMP PopulateFromObject(VARIANT object) override;
    IFACEMETHODIMP get_Redraw(VARIANT_BOOL* redraw) override;
    IFACEMETHODIMP put_Redraw(VARIANT_BOOL redraw) override;
    IFACEMETHODIMP get_Font(IFontDisp** font) override;
    IFACEMETHODIMP putref_Font(IFontDisp* font) override;
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override;
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL enabled) override;
    // IConnectionPointContainer
    IFACEMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    // IOleObject
    IFACEMETHODIMP SetClientSite(IOleClientSite* site) override;
    IFACEMETHODIMP GetClientSite(IOleClientSite** site) override;
    IFACEMETHODIMP SetHostNames(LPCOLESTR application, LPCOLESTR object) override;
    IFACEMETHODIMP Close(DWORD saveOption) override;
    IFACEMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    IFACEMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    IFACEMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    IFACEMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    IFACEMETHODIMP DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                          LPCRECT position) override;
    IFACEMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    IFACEMETHODIMP Update() override;
    IFACEMETHODIMP IsUpToDate() override;
    IFACEMETHODIMP GetUserClassID(CLSID* classId) override;
    IFACEMETHODIMP GetUserType(DWORD form, LPOLESTR* name) override;
    IFACEMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    IFACEMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    IFACEMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    IFACEMETHODIMP Unadvise(DWORD cookie) override;
    IFACEMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    IFACEMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    IFACEMETHODIMP SetColorScheme(LOGPALETTE* palette) override;
    // IOleWindow, IOleInPlaceObject
    IFACEMETHODIMP GetWindow(HWND* window) override;
    IFACEMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    IFACEMETHODIMP InPlaceDeactivate() override;
    IFACEMETHODIMP UIDeactivate() override;
    IFACEMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    IFACEMETHODIMP ReactivateAndUndo() override;

private:
    class ItemCollection;
    class EventPoint;
    FakeList();
    ~FakeList() override;

    HRESULT Fail(const std::wstring& member) const;
    void LogPosition(const RECT& position);

    std::shared_ptr<ListState> state_ = std::make_shared<ListState>();
    std::vector<CatalogueEntry> catalogue_;
    ole::ComPtr<ItemCollection> items_;
    ole::ComPtr<EventPoint> events_;
    ole::ComPtr<IOleClientSite> site_;
    std::vector<const void*> populatedFrom_;
    VARIANT_BOOL redraw_ = VARIANT_TRUE;
    VARIANT_BOOL enabled_ = VARIANT_TRUE;
    ole::ComPtr<IFontDisp> font_;

};

// An item of the fake list, with every flag readable and settable by the test.
class FakeItem final : public IPropertyItem, public TestDouble {
public:
    FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry);

    const std::wstring& ItemName() const { return name_; }
    const ole::Variant& StoredValue() const { return value_; }
    const ole::Variant& StoredModified() const { return modified_; }
    VARIANT_BOOL StoredVisible() const { return visible_; }
    bool IsNotAnItem() const { return notAnItem_; }
    void SetStoredValue(const VARIANT& value);
    void SetStoredModified(const VARIANT& marker);
    void SetStoredVisible(VARIANT_BOOL visible) { visible_ = visible; }
    // A raw read-only flag, to test values other than True and False.
    void SetStoredReadOnly(VARIANT_BOOL readOnly) { readOnly_ = readOnly; }

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override;
    IFACEMETHODIMP_(ULONG) AddRef() override { return CountAddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return CountRelease(); }
    // IDispatch
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                          EXCEPINFO* exception, UINT* argumentError) override;
    // IPropertyItem
    IFACEMETHODIMP get_Value(VARIANT* value) override;
    IFACEMETHODIMP put_Value(VARIANT value) override;
    IFACEMETHODIMP get_Name(BSTR* name) override;
    IFACEMETHODIMP get_ReadOnly(VARIANT_BOOL* readOnly) override;
    IFACEMETHODIMP get_Style(LONG* style) override;
    IFACEMETHODIMP get_Visible(VARIANT_BOOL* visible) override;
    IFACEMETHODIMP put_Visible(VARIANT_BOOL visible) override;
    IFACEMETHODIMP get_Modified(VARIANT* modified) override;
    IFACEMETHODIMP put_Modified(VARIANT modified) override;

private:
    bool Quiet() const { return !state_->logging && state_->failures.empty(); }
    HRESULT Enter(const std::wstring& member, const std::wstring& written = {}) const;

    std::shared_ptr<ListState> state_;
    std::wstring name_;
    ole::Variant value_;
    ole::Variant modified_;
    VARIANT_BOOL readOnly_;
    LONG style_;
    VARIANT_BOOL visible_ = VARIANT_TRUE;
    bool notAnItem_;
};

// The list's type library, loaded from the test program's own resources (its TYPELIB 2).
ITypeLib* KavellaTypeLibrary();
// How a VARIANT reads in the log: "True", "False", "Empty", "Null", "7", "'text'", "object".
std::wstring Describe(const VARIANT& value);

}  // namespace doubles
