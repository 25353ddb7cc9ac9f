// Prints how the property list scales: filling it from an object's type information against a
// bare walk of the same type information, painting one page of a short and of a long list, and
// finding an item by name in a short and in a long collection. Not a test: the figures are for
// people to read.
#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/hresult.h"
#include "ole/variant.h"
#include "proplist/kavella_list.h"
#include "proplist/list_rows.h"
#include "proplist/property_item.h"
#include "proplist/property_items.h"
#include "tests/support/run_time_types.h"

#include <ole2.h>

#include "benchmarks/timing.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using ole::ComPtr;

// Names of one length whatever the index: a name's length, not the collection's size, sets what
// turning it into a key costs.
std::wstring FixedWidthName(UINT index) {
    wchar_t name[16];
    swprintf(name, 16, L"Item%06u", index);
    return name;
}

// The most property-get functions one dispinterface holds in a 64-bit process: its vtable size,
// IDispatch's seven entries included, is a 16-bit number of bytes even though its members are
// only ever called through Invoke.
constexpr UINT kMaxDispatchFunctions = 65535 / sizeof(void*) - 7;

// What any generator must do for each member: fetch its description and its name.
void BaselineWalk(ITypeInfo* info) {
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes))) return;
    const UINT functions = attributes->cFuncs;
    const UINT variables = attributes->cVars;
    info->ReleaseTypeAttr(attributes);
    for (UINT i = 0; i < variables; ++i) {
        VARDESC* variable = nullptr;
        if (FAILED(info->GetVarDesc(i, &variable))) continue;
        ole::Bstr name;
        info->GetDocumentation(variable->memid, name.Out(), nullptr, nullptr, nullptr);
        info->ReleaseVarDesc(variable);
    }
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) continue;
        ole::Bstr name;
        info->GetDocumentation(function->memid, name.Out(), nullptr, nullptr, nullptr);
        info->ReleaseFuncDesc(function);
    }
}

ComPtr<proplist::KavellaList> MakeList() {
    ComPtr<proplist::KavellaList> list;
    if (FAILED(ole::MakeObject(list))) return {};
    return list;
}

proplist::PropertyItems* ItemsOf(proplist::KavellaList* list, ComPtr<IPropertyItems>& holder) {
    if (FAILED(list->get_PropertyItems(holder.Put()))) return nullptr;
    return static_cast<proplist::PropertyItems*>(holder.Get());
}

// Fills the list with `count` Long items, each holding a value, as the generator would.
// Every `kGroupSize` items in a category of their own, when the items are grouped.
constexpr UINT kGroupSize = 10;

bool Fill(proplist::KavellaList* list, UINT count, std::wstring (*nameOf)(UINT) = support::PropertyName,
          bool grouped = false) {
    ComPtr<IPropertyItems> holder;
    proplist::PropertyItems* items = ItemsOf(list, holder);
    if (!items) return false;
    std::vector<ComPtr<proplist::PropertyItem>> made;
    made.reserve(count);
    std::shared_ptr<const std::wstring> category;
    for (UINT i = 0; i < count; ++i) {
        ComPtr<proplist::PropertyItem> item;
        proplist::ItemDescription description;
        description.name = nameOf(i);
        if (grouped && i % kGroupSize == 0) category = std::make_shared<const std::wstring>(L"Group" + nameOf(i));
        if (grouped) description.category = category;
        description.style = proplist::kStyleWholeNumber;
        description.valueType = VT_I4;
        if (FAILED(ole::MakeObject(item, std::move(description)))) return false;
        ole::Variant value(static_cast<LONG>(i));
        item->StoreValue(value.Get());
        made.push_back(std::move(item));
    }
    items->Append(std::move(made));
    return true;
}

void PrintTable(const char* title, const char* head, std::initializer_list<const char*> lines) {
    std::printf("\n%s (medians of %d interleaved rounds; ratios ± half the spread of their middle half)\n", title,
                kRounds);
    for (const char* line : lines) std::printf("%s\n", line);
    std::printf("%s", head);
}

// The list keeps the descriptions of the last four type informations it walked; of five other
// kinds taken in turn, the next is never among them.
constexpr size_t kOtherKinds = 5;

// Fills the list from an object of `count` properties, into an empty list, replacing its items
// with the same object's and with those of an object of another kind, against the bare walk of
// the same type information, in the same rounds.
bool PopulateCase(UINT count, support::Declared declared) {
    const char* declaredAs = declared == support::Declared::kDispatchFunctions ? "functions" : "variables";
    std::vector<ComPtr<ITypeInfo>> infos(1 + kOtherKinds);
    std::vector<ole::Variant> arguments;
    for (ComPtr<ITypeInfo>& info : infos) {
        if (const HRESULT built = support::BuildLongProperties(count, declared, info); FAILED(built)) {
            std::printf("%8u  %-10s  type library could not be built (0x%08lX)\n", count, declaredAs,
                        static_cast<unsigned long>(built));
            return false;
        }
        arguments.emplace_back(support::MakeMemberIdObject(info).Get());
    }
    ComPtr<proplist::KavellaList> list = MakeList();
    ComPtr<IPropertyItems> items;
    if (!list || !ItemsOf(list.Get(), items)) return false;
    HRESULT outcome = S_OK;
    size_t other = 0;
    const auto populate = [&](size_t kind) {
        if (SUCCEEDED(outcome)) outcome = list->PopulateFromObject(arguments[kind].Get());
    };
    const auto times = TimeInRounds({Timed([&] { BaselineWalk(infos[0].Get()); }),
                                     [&] {
                                         items->Clear();
                                         return Timed([&] { populate(0); })();
                                     },
                                     [&] {
                                         populate(0);
                                         return Timed([&] { populate(0); })();
                                     },
                                     Timed([&] { populate(1 + other++ % kOtherKinds); })});
    LONG filled = 0;
    if (FAILED(outcome) || FAILED(items->get_Count(&filled)) || filled != static_cast<LONG>(count)) {
        std::printf("%8u  %-10s  PopulateFromObject failed (0x%08lX, %ld items)\n", count, declaredAs,
                    static_cast<unsigned long>(outcome), static_cast<long>(filled));
        return false;
    }
    std::printf("%8u  %-10s  %9.3f  %9.3f  %9.3f  %9.3f", count, declaredAs, Summarise(times[0]).median * 1e3,
                Summarise(times[1]).median * 1e3, Summarise(times[2]).median * 1e3, Summarise(times[3]).median * 1e3);
    for (size_t measured = 1; measured < times.size(); ++measured) PrintRatio(RatioInRounds(times[measured], times[0]));
    std::printf("\n");
    items->Clear();
    return true;
}

int Populate() {
    PrintTable("PopulateFromObject (ms)",
               "       N  declared as  baseline      empty     refill      other  empty/baseline  refill/baseline"
               "   other/baseline\n",
               {"object: a pure dispinterface of N Long properties, answering Invoke itself",
                "baseline: for each member GetFuncDesc (GetVarDesc), GetDocumentation of its name, ReleaseFuncDesc",
                "(ReleaseVarDesc); 'empty': into an empty list; 'refill': replacing the same N items; 'other':",
                "replacing N items with those of an object of another type information, not one of the last four"});
    using support::Declared;
    const bool measured = PopulateCase(1000u, Declared::kDispatchFunctions) &&
                          PopulateCase(kMaxDispatchFunctions, Declared::kDispatchFunctions) &&
                          PopulateCase(1000u, Declared::kDispatchVariables) &&
                          PopulateCase(10000u, Declared::kDispatchVariables);
    return measured ? 0 : 1;
}

// The rows of a collection holding one item, whose value is the object to expand.
class OneObjectRow final : private proplist::RowSource {
public:
    explicit OneObjectRow(IDispatch* object) {
        if (FAILED(ole::MakeObject(items_))) return;
        std::vector<ComPtr<proplist::PropertyItem>> made(1);
        proplist::ItemDescription inner;
        inner.name = L"Inner";
        if (FAILED(ole::MakeObject(made[0], std::move(inner)))) return;
        made[0]->StoreValue(ole::Variant(object).Get());
        items_->Append(std::move(made));
    }
    ~OneObjectRow() { rows_.Reset(); }
    proplist::ListRows& Rows() noexcept { return rows_; }

private:
    proplist::PropertyItems& Items() noexcept override { return *items_.Get(); }
    void RowsRebuilt() noexcept override {}

    ComPtr<proplist::PropertyItems> items_;
    proplist::ListRows rows_{*this};
};

// Expanding a row that holds an object (its items made and its rows inserted) against filling an
// empty list from the same object, in the same rounds.
int Expand() {
    constexpr UINT kCount = 1000;
    PrintTable("Expanding a row that holds an object (ms)", "       N     fill    expand  expand/fill\n",
               {"object: a pure dispinterface of N Long properties, answering Invoke itself",
                "fill: PopulateFromObject into an empty list; expand: the row's N items made and its rows built"});
    const ComPtr<IDispatch> object = support::MakeMemberIdObject(kCount);
    ComPtr<proplist::KavellaList> list = MakeList();
    ComPtr<IPropertyItems> items;
    if (!object || !list || !ItemsOf(list.Get(), items)) return 1;
    OneObjectRow holder(object.Get());
    proplist::ListRows& rows = holder.Rows();
    ole::Variant argument(object.Get());
    bool worked = true;
    const auto fill = [&] { worked &= SUCCEEDED(list->PopulateFromObject(argument.Get())); };
    const auto expand = [&] { worked &= rows.Expand(0) && rows.Count() == kCount + 1; };
    const auto times = TimeInRounds({[&] {
                                         items->Clear();
                                         return Timed(fill)();
                                     },
                                     [&] {
                                         rows.Collapse(0);
                                         return Timed(expand)();
                                     }});
    if (!worked) {
        std::printf("%8u  filling or expanding failed\n", kCount);
        return 1;
    }
    std::printf("%8u  %7.3f  %8.3f", kCount, Summarise(times[0]).median * 1e3, Summarise(times[1]).median * 1e3);
    PrintRatio(RatioInRounds(times[1], times[0]));
    std::printf("\n");
    items->Clear();
    return 0;
}

// A list of `count` items ready to paint, in the order the case asks for, the first item selected
// (under its group's header when grouped) so that the description pane shows it.
struct PaintedList {
    ComPtr<proplist::KavellaList> list;
    ComPtr<IViewObject> view;
    ComPtr<IPropertyItems> holder;

    bool Make(UINT count, bool grouped) {
        holder.Reset();
        view.Reset();
        list = MakeList();
        return list && SUCCEEDED(list->QueryInterface(IID_IViewObject, view.PutVoid())) && Refill(count, grouped);
    }
    bool Refill(UINT count, bool grouped) {
        if ((holder && FAILED(holder->Clear())) || !Fill(list.Get(), count, support::PropertyName, grouped) ||
            !ItemsOf(list.Get(), holder) ||
            !list->View().SetViewOrder(grouped ? proplist::ListView::kCategorizedOrder
                                               : proplist::ListView::kObjectOrder)) {
            return false;
        }
        list->View().SelectRow(grouped ? 1 : 0);
        return true;
    }
    bool Draw(HDC memory, const RECTL& bounds) const {
        return SUCCEEDED(
            view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0));
    }
};

// New lists, each timed at its first paint. The first one in a process also realises the font
// and draws the first text in it (Wine rasterises the glyphs then), which no later list pays.
constexpr int kNewLists = 21;

// A new list's first paint, its paint from then on, and its first paint after its items are
// replaced (which also works out which of them are shown); `grouped`, in categories under headers.
bool PaintCase(UINT count, bool grouped, HDC memory, const RECTL& bounds, double& steady) {
    static bool processPainted = false;
    const bool processFirst = !std::exchange(processPainted, true);
    // A large list takes long to fill: its new lists' first paints are fewer.
    const int newLists = count > 1000 ? 3 : kNewLists;
    std::vector<double> firsts;
    PaintedList painted;
    bool drawn = true;
    for (int i = 0; i < newLists && drawn; ++i) {
        if (!painted.Make(count, grouped)) return false;
        firsts.push_back(Timed([&] { drawn = painted.Draw(memory, bounds); })());
    }
    steady = Summarise(TimeInRounds({Timed([&] { drawn = drawn && painted.Draw(memory, bounds); })})[0]).median;
    if (!painted.Refill(count, grouped)) return false;
    const double refilled = Timed([&] { drawn = drawn && painted.Draw(memory, bounds); })();
    std::printf("%8u items: %8.3f  (first paint of a new list: %.3f, median of %d new lists", count, steady * 1e3,
                Summarise(firsts).median * 1e3, newLists);
    if (processFirst) std::printf(", the process's first %.3f", firsts.front() * 1e3);
    std::printf("; after refilling it: %.3f, one run)  rows drawn: %zu\n", refilled * 1e3,
                painted.list->View().RowsDrawn());
    painted.holder->Clear();
    return drawn;
}

int Paint() {
    const int width = 400;
    const int height = 600;
    std::printf("\nOne page painted through IViewObject::Draw into a %dx%d memory DC, the description pane showing"
                " the first item (ms, median of %d rounds)\n",
                width, height, kRounds);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // A host paints on a surface that already exists: the bitmap's memory is touched once here,
    // so that a first paint does not also pay for the system handing the bitmap its pages.
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    const RECTL bounds{0, 0, width, height};
    bool painted = true;
    for (const bool grouped : {false, true}) {
        if (grouped) std::printf("the items in groups of %u under their categories' headers:\n", kGroupSize);
        double shortList = 0;
        double longList = 0;
        painted = painted && PaintCase(100u, grouped, memory, bounds, shortList) &&
                  PaintCase(100000u, grouped, memory, bounds, longList);
        if (painted) std::printf("100,000 / 100 items: %.2fx; one 60-Hz frame is 16.7 ms\n", longList / shortList);
    }
    if (!painted) std::printf("the page could not be painted\n");
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return painted ? 0 : 1;
}

// The list in a window of its own, painted as the user sees it: through WM_PAINT, off screen
// and copied to the window.
struct WindowedList {
    HWND frame = nullptr;
    ComPtr<proplist::KavellaList> list;

    WindowedList() = default;
    WindowedList(const WindowedList&) = delete;
    WindowedList& operator=(const WindowedList&) = delete;
    bool Make() {
        frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 600, nullptr, nullptr, nullptr,
                                nullptr);
        list = MakeList();
        return frame && list && Fill(list.Get(), 100) && SUCCEEDED(list->View().Place(frame));
    }
    void Paint() const {
        HWND window = list->View().Window();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    ~WindowedList() {
        list.Reset();
        if (frame) DestroyWindow(frame);
    }
};

// What the window system charges any new window of that size for its first paint: a static
// control with a scroll bar in a frame of its own, painted the same way.
double PlainWindowFirstPaint() {
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND plain = frame ? CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 400, 600,
                                         frame, nullptr, nullptr, nullptr)
                       : nullptr;
    const double first = plain ? Timed([&] { UpdateWindow(plain); })() : 0;
    if (frame) DestroyWindow(frame);
    return first;
}

int WindowPaint() {
    std::printf("\nThe list in a 400x600 window painted through WM_PAINT (ms)\n");
    std::vector<double> firsts;
    std::vector<double> plainFirsts;
    for (int i = 0; i < kNewLists; ++i) {
        WindowedList fresh;
        if (!fresh.Make()) {
            std::printf("the window could not be made\n");
            return 1;
        }
        firsts.push_back(Timed([&] { fresh.Paint(); })());
        plainFirsts.push_back(PlainWindowFirstPaint());
    }
    WindowedList shown;
    if (!shown.Make()) return 1;
    shown.Paint();
    const size_t before = shown.list->View().PaintCount();
    const double later = Summarise(TimeInRounds({Timed([&] { shown.Paint(); })})[0]).median;
    const size_t paints = shown.list->View().PaintCount() - before;
    std::printf("     100 items: first paint of a new list %.3f (median of %d new lists; the process's first %.3f),"
                " later paints %.3f (median of %d rounds)  paints: %zu\n",
                Summarise(firsts).median * 1e3, kNewLists, firsts.front() * 1e3, later * 1e3, kRounds, paints);
    std::printf("     a static control of that size with a scroll bar, first paint %.3f (median of %d new windows)\n",
                Summarise(plainFirsts).median * 1e3, kNewLists);
    // Every round paints at least once; fewer paints mean some never reached the window.
    return paints > static_cast<size_t>(kRounds) ? 0 : 1;
}

// A collection of `count` items and a thousand keys spread over it, made before anything is timed.
struct LookupCase {
    ComPtr<proplist::KavellaList> list;
    ComPtr<IPropertyItems> items;
    std::vector<ole::Variant> keys;
    bool found = true;

    bool Make(UINT count, std::wstring (*nameOf)(UINT)) {
        list = MakeList();
        if (!list || !Fill(list.Get(), count, nameOf) || !ItemsOf(list.Get(), items)) return false;
        for (UINT i = 0; i < 1000; ++i) keys.emplace_back(std::wstring_view(nameOf(static_cast<UINT>((i * 7919ull) % count))));
        return true;
    }
    void LookUpAll() {
        for (const ole::Variant& key : keys) {
            ComPtr<IPropertyItem> item;
            found = SUCCEEDED(items->get_Item(key.Get(), item.Put())) && found;
        }
    }
};

int Lookup(std::wstring (*nameOf)(UINT), const char* names) {
    PrintTable("Items.Item(name), a thousand names spread over the collection (microseconds per lookup)", "",
               {names});
    LookupCase cases[2];
    if (!cases[0].Make(100u, nameOf) || !cases[1].Make(100000u, nameOf)) return 1;
    const auto times = TimeInRounds({Timed([&] { cases[0].LookUpAll(); }), Timed([&] { cases[1].LookUpAll(); })});
    if (!cases[0].found || !cases[1].found) {
        std::printf("a lookup failed\n");
        return 1;
    }
    std::printf("     100 items: %8.3f\n  100000 items: %8.3f\n100,000 / 100 items:",
                Summarise(times[0]).median / 1000 * 1e6, Summarise(times[1]).median / 1000 * 1e6);
    PrintRatio(RatioInRounds(times[1], times[0]));
    std::printf("\n");
    for (LookupCase& which : cases) which.items->Clear();
    return 0;
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int failed = Populate();
    failed |= Expand();
    failed |= Paint();
    failed |= WindowPaint();
    failed |= Lookup(FixedWidthName, "Item000000 to Item099999, one length in both collections");
    failed |= Lookup(support::PropertyName, "Prop0 to Prop99999, longer in the larger collection");
    OleUninitialize();
    return failed;
}
