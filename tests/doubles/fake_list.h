#pragma once

#include "ole/connection_point.h"
#include "ole/control.h"
#include "ole/dispatch_impl.h"
#include "ole/variant.h"
#include "tests/doubles/test_double.h"

#include "innerlist/host_reads_values.h"
#include "kavella.h"

#include <map>
#include <memory>

namespace doubles {

// What the list records, in order: "Redraw=0", "PopulateFromObject", "PropertyItems", "Clear",
// "Advise", "Unadvise", "Font", "Enabled=0", and for items "<name>.<member>" for a read
// ("Caption.Style") or "<name>.<member>=<value>" for a write ("Caption.Visible=0").
using CallLog = std::vector<std::wstring>;

// What a list shares with the items it made, so that items outliving their list still log and still fail as asked.
struct ListState {
    CallLog log;
    bool logging = true;
    std::map<std::wstring, HRESULT> failures;
    HRESULT Enter(std::wstring entry, const std::wstring& member);
};

struct CatalogueEntry {
    std::wstring name;
    bool readOnly = false;
    LONG style = 1;  // 0 is the custom style
};

// An item of the fake list; its fields are what the item's properties read and write.
class FakeItem final : public Double<FakeItem, ole::DispatchImpl<IPropertyItem>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    const std::wstring name;
    ole::Variant value, modified;
    VARIANT_BOOL readOnly;  // raw, to test values other than True and False
    LONG style;
    VARIANT_BOOL visible = VARIANT_TRUE;

    IFACEMETHODIMP get_Value(VARIANT* out) override { return Read(L"Value", out, value); }
    IFACEMETHODIMP put_Value(VARIANT in) override { return Write(L"Value", in, value); }
    IFACEMETHODIMP get_Name(BSTR* out) override { return Read(L"Name", out, name); }
    IFACEMETHODIMP get_ReadOnly(VARIANT_BOOL* out) override { return Read(L"ReadOnly", out, readOnly); }
    IFACEMETHODIMP get_Style(LONG* out) override { return Read(L"Style", out, style); }
    IFACEMETHODIMP get_Visible(VARIANT_BOOL* out) override { return Read(L"Visible", out, visible); }
    IFACEMETHODIMP put_Visible(VARIANT_BOOL in) override {
        RETURN_IF_FAILED(Enter(L"Visible", Quiet() ? L"" : std::to_wstring(in)));
        return visible = in, S_OK;
    }
    IFACEMETHODIMP get_Modified(VARIANT* out) override { return Read(L"Modified", out, modified); }
    IFACEMETHODIMP put_Modified(VARIANT in) override { return Write(L"Modified", in, modified); }

private:
    friend Double;
    FakeItem(std::shared_ptr<ListState> state, const CatalogueEntry& entry);

    bool Quiet() const { return !state_->logging && state_->failures.empty(); }
    HRESULT Enter(const wchar_t* member, const std::wstring& written = {}) const;
    // Out-parameters are emptied first, so that a failed read hands out nothing.
    template <typename Out, typename Stored>
    HRESULT Read(const wchar_t* member, Out* out, const Stored& stored) const {
        if (!out) return E_POINTER;
        *out = Out{};
        RETURN_IF_FAILED(Enter(member));
        return CopyOut(*out, stored);
    }
    template <typename Value>
    static HRESULT CopyOut(Value& out, const Value& stored) { return out = stored, S_OK; }
    static HRESULT CopyOut(VARIANT& out, const ole::Variant& stored) { return ole::CopyVariant(&out, stored.Get()); }
    static HRESULT CopyOut(BSTR& out, const std::wstring& stored);
    HRESULT Write(const wchar_t* member, const VARIANT& written, ole::Variant& stored) const;

    std::shared_ptr<ListState> state_;
};

// A double of the property list: a control on the runtime's control base, with the list's own
// type library (calls by name and by id both work), the runtime's connection point for its
// events, a log of every call, failure injection, and live reference counts for all it hands out.
class FakeList final
    : public Double<FakeList, ole::DispatchImpl<_Kavella>, ole::ControlOf<FakeList>, IHostReadsValues> {
public:
    static ole::ComPtr<FakeList> Create() { return Make(); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return CLSID_Kavella; }
    static const IID& DefaultSourceId() noexcept { return DIID___Kavella; }

    // PopulateFromObject appends one item per catalogue entry, each call anew.
    void SetCatalogue(std::vector<CatalogueEntry> items) { catalogue_ = std::move(items); }
    // Makes a member fail with `failure` (and error info): "PopulateFromObject", "Advise", or
    // "<item>.<member>.get/.put".
    void FailOn(const std::wstring& member, HRESULT failure) { state_->failures[member] = failure; }
    void StopFailing(const std::wstring& member) { state_->failures.erase(member); }

    // Raises the event of that name, arguments in natural order, to every connected sink.
    HRESULT RaiseEvent(const wchar_t* name, std::vector<VARIANT> arguments = {});
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
    // The positions of the events some connected sink is interested in.
    std::vector<size_t> ListenedPositions();
    // The objects PopulateFromObject was given, as raw pointers (they are not kept).
    const std::vector<const void*>& PopulatedFrom() const { return populatedFrom_; }

    IFACEMETHODIMP get_PropertyItems(IPropertyItems** items) override;
    IFACEMETHODIMP PopulateFromObject(VARIANT object) override;
    IFACEMETHODIMP get_Redraw(VARIANT_BOOL*) override { return Unexpected("get_Redraw"); }
    IFACEMETHODIMP put_Redraw(VARIANT_BOOL redraw) override { return Logged(L"Redraw=" + std::to_wstring(redraw)); }
    IFACEMETHODIMP get_Font(IFontDisp**) override { return Unexpected("get_Font"); }
    IFACEMETHODIMP putref_Font(IFontDisp*) override { return Logged(L"Font"); }
    IFACEMETHODIMP get_Enabled(VARIANT_BOOL*) override { return Unexpected("get_Enabled"); }
    IFACEMETHODIMP put_Enabled(VARIANT_BOOL enabled) override { return Logged(L"Enabled=" + std::to_wstring(enabled)); }
    IFACEMETHODIMP get_DescriptionVisible(VARIANT_BOOL*) override { return Unexpected("get_DescriptionVisible"); }
    IFACEMETHODIMP put_DescriptionVisible(VARIANT_BOOL) override { return Unexpected("put_DescriptionVisible"); }
    IFACEMETHODIMP get_DescriptionHeight(LONG*) override { return Unexpected("get_DescriptionHeight"); }
    IFACEMETHODIMP put_DescriptionHeight(LONG) override { return Unexpected("put_DescriptionHeight"); }
    IFACEMETHODIMP get_ViewOrder(LONG*) override { return Unexpected("get_ViewOrder"); }
    IFACEMETHODIMP put_ViewOrder(LONG) override { return Unexpected("put_ViewOrder"); }
    IFACEMETHODIMP SetHostReadsValues(BOOL reads) override {
        return Logged(L"HostReadsValues=" + std::to_wstring(reads));
    }
    IFACEMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (iid != DIID___Kavella) return ControlBase::FindConnectionPoint(iid, point);
        return ole::ComPtr<IConnectionPoint>(&events_).CopyTo(point);
    }

private:
    friend Double;
    class ItemCollection;
    class LoggingConnectionPoint final : public ole::ConnectionPoint {
    public:
        LoggingConnectionPoint(IUnknown* owner, std::shared_ptr<ListState> state)
            : ConnectionPoint(owner, DIID___Kavella), state_(std::move(state)) {}
        IFACEMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
            if (cookie) *cookie = 0;
            RETURN_IF_FAILED(state_->Enter(L"Advise", L"Advise"));
            return ConnectionPoint::Advise(sink, cookie);
        }
        IFACEMETHODIMP Unadvise(DWORD cookie) override {
            state_->log.push_back(L"Unadvise");
            return ConnectionPoint::Unadvise(cookie);
        }

    private:
        std::shared_ptr<ListState> state_;
    };

    FakeList();
    ~FakeList() override;
    HRESULT Logged(std::wstring entry) { return state_->log.push_back(std::move(entry)), S_OK; }

    std::shared_ptr<ListState> state_ = std::make_shared<ListState>();
    std::vector<CatalogueEntry> catalogue_;
    ole::ComPtr<ItemCollection> items_;
    LoggingConnectionPoint events_;
    std::vector<const void*> populatedFrom_;
};

// How a VARIANT reads in the log: "True", "False", "Empty", "Null", "7", "'text'", "object".
std::wstring Describe(const VARIANT& value);

}  // namespace doubles
