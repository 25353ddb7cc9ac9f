// Prints how long the engine takes to refresh the list (Refresh: fill it from the client, filter
// it, read every value) and to read every value again (ReadProperties), against a baseline of the
// bare late-bound reads of the same properties, all timed in the same interleaved rounds. The
// list is the real property list, as users get it: without a window, then in place in a window
// on screen, where what a refresh asks of Windows is paid too. The later tables put the logging
// test double in its place, which neither walks type information nor reads values, so that the
// client that answers Invoke itself can be bound too (the double's own bookkeeping is in their
// figures). Not a test: the figures are for people to read.
#include "benchmarks/timing.h"
#include "benchmarks/typelib_client.h"
#include "binding/binding_engine.h"
#include "binding/list_items.h"
#include "ole/variant.h"
#include "proplist/kavella_list.h"
#include "tests/doubles/fake_list.h"
#include "tests/doubles/recording_container.h"

#include <ole2.h>

#include <cstdio>
#include <vector>

namespace {

// The real list without a window, the same in place in a container's window on screen, or the
// logging double.
enum class ListKind { kReal, kOnScreen, kDouble };

// For every property: look the name up, then read it.
void Baseline(IDispatch* client, UINT count) {
    for (UINT i = 0; i < count; ++i) {
        std::wstring name = PropertyName(i);
        LPOLESTR names[] = {name.data()};
        DISPID id = DISPID_UNKNOWN;
        client->GetIDsOfNames(IID_NULL, names, 1, 1033, &id);
        DISPPARAMS none{};
        ole::Variant value;
        client->Invoke(id, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, value.Out(), nullptr, nullptr);
    }
}

ole::ComPtr<IUnknown> MakeList(ListKind kind, UINT count) {
    if (kind != ListKind::kDouble) {
        ole::ComPtr<proplist::KavellaList> list;
        if (FAILED(ole::MakeObject(list))) return {};
        return ole::ComPtr<IUnknown>(static_cast<_Kavella*>(list.Get()));
    }
    ole::ComPtr<doubles::FakeList> list = doubles::FakeList::Create();
    list->SetLogging(false);
    std::vector<doubles::CatalogueEntry> catalogue;
    for (UINT i = 0; i < count; ++i) catalogue.push_back({PropertyName(i)});
    list->SetCatalogue(catalogue);
    return ole::ComPtr<IUnknown>(static_cast<_Kavella*>(list.Get()));
}

// Counted by walking them, as the double does not count its items.
LONG ItemCount(IDispatch* list) {
    LONG count = 0;
    const HRESULT walked = ForEachPropertyItem(list, [&](IPropertyItem*) -> HRESULT {
        ++count;
        return S_OK;
    });
    return SUCCEEDED(walked) ? count : -1;
}

void PrintCalls(const TypelibClientCalls& calls, UINT count) {
    std::printf("  %4.2f / %4.2f", static_cast<double>(calls.lookups) / count, static_cast<double>(calls.invokes) / count);
}

// Puts the list in place in a container's window, shown, as a form shows it.
bool PutOnScreen(IUnknown* list, doubles::RecordingContainer* container) {
    ole::ComPtr<IOleObject> object;
    container->SetPosition({0, 0, 400, 600});
    if (FAILED(list->QueryInterface(IID_IOleObject, object.PutVoid())) || FAILED(object->SetClientSite(container)) ||
        FAILED(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container, 0, container->Window(), nullptr))) {
        return false;
    }
    ShowWindow(container->Window(), SW_SHOWNA);
    return true;
}

void TakeOffScreen(IUnknown* list) {
    ole::ComPtr<IOleObject> object;
    if (FAILED(list->QueryInterface(IID_IOleObject, object.PutVoid()))) return;
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

bool Measure(UINT count, bool described, ListKind kind) {
    ole::ComPtr<IDispatch> client;
    TypelibClientCalls* calls = nullptr;
    ole::ComPtr<InspectaSupport> support;
    const ole::ComPtr<IUnknown> list = MakeList(kind, count);
    const ole::ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    if (!list || (kind == ListKind::kOnScreen && !PutOnScreen(list.Get(), container.Get())) ||
        FAILED(MakeClient(count, described, client, calls)) || FAILED(ole::MakeObject(support)) ||
        FAILED(support->SetKavella(list.Get())) || FAILED(support->SetClientObject(client.Get()))) {
        return false;
    }
    HRESULT outcome = S_OK;
    // The list replaces its items with the same ones, so every run starts where the last began;
    // the double appends, so it is emptied first (unbinding empties it).
    const auto refresh = [&] {
        if (kind == ListKind::kDouble && SUCCEEDED(outcome)) outcome = support->SetClientObject(nullptr);
        if (kind == ListKind::kDouble && SUCCEEDED(outcome)) outcome = support->SetClientObject(client.Get());
        if (kind != ListKind::kDouble && SUCCEEDED(outcome)) outcome = support->Refresh();
    };
    // On screen, what the round changed is painted before the next round, as a message loop
    // would, so that every refresh starts from a painted window; that work is not reported.
    const std::vector<TimedWork> works{
        Timed([&] { Baseline(client.Get(), count); }), Timed(refresh),
        Timed([&] { outcome = FAILED(outcome) ? outcome : support->ReadProperties(); }),
        Timed([&] { RedrawWindow(container->Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); })};
    const auto times = TimeInRounds(works);
    *calls = {};
    refresh();
    const TypelibClientCalls refreshCalls = *calls;
    *calls = {};
    support->ReadProperties();
    const TypelibClientCalls readCalls = *calls;
    const bool filled = ItemCount(support->Kavella().Get()) == static_cast<LONG>(count);
    support->SetClientObject(nullptr);
    support->SetKavella(nullptr);
    TakeOffScreen(list.Get());
    if (FAILED(outcome) || !filled) return false;

    std::printf("%7u  %9.3f  %9.3f  %9.3f", count, Summarise(times[0]).median * 1e3, Summarise(times[1]).median * 1e3,
                Summarise(times[2]).median * 1e3);
    PrintRatio(RatioInRounds(times[1], times[0]));
    PrintRatio(RatioInRounds(times[2], times[0]));
    PrintCalls(refreshCalls, count);
    PrintCalls(readCalls, count);
    std::printf("\n");
    return true;
}

bool Table(const char* title, bool described, ListKind kind, std::vector<UINT> counts) {
    std::printf("\n%s\n", title);
    std::printf("%7s  %9s  %9s  %9s  %12s  %12s  %11s  %11s\n", "N", "baseline", "Refresh", "Read", "Refresh/", "Read/",
                "Refresh's", "Read's");
    std::printf("%7s  %9s  %9s  %9s  %12s  %12s  %11s  %11s\n", "", "(ms)", "(ms)", "(ms)", "baseline", "baseline",
                "calls/item", "calls/item");
    for (UINT count : counts) {
        if (!Measure(count, described, kind)) {
            std::printf("%7u  could not be measured\n", count);
            return false;
        }
    }
    return true;
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    std::printf("Times are medians of %d interleaved rounds; a ratio is the median of the rounds' ratios, ± half\n"
                "the spread of their middle half. Calls per item: the client's lookups / reads.\n",
                kRounds);
    bool measured = Table("The property list; client described by a type library (ITypeInfo::Invoke)", true,
                          ListKind::kReal, {100u, 1000u, MaxTypelibProperties()});
    measured = measured && Table("The same list in place in a window on screen", true, ListKind::kOnScreen,
                                 {100u, 1000u, MaxTypelibProperties()});
    // The list fills itself only from an object that describes itself; this client does not.
    measured = measured && Table("The logging list double; client described by a type library",
                                 true, ListKind::kDouble, {100u, 1000u, MaxTypelibProperties()});
    measured = measured && Table("The logging list double; client that answers Invoke itself", false,
                                 ListKind::kDouble, {100u, 1000u, 10000u});
    OleUninitialize();
    return measured ? 0 : 1;
}
