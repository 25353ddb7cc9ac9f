// Prints how the property list scales: filling it from an object's type information against a
// bare walk of the same type information, painting one page of a short and of a long list, and
// finding an item by name in a short and in a long collection. Not a test: the figures are for
// people to read.
#include "ole/bstr.h"
#include "ole/com_object.h"
#include "ole/hresult.h"
#include "ole/variant.h"
#include "proplist/kavella_list.h"
#include "proplist/property_item.h"
#include "proplist/property_items.h"
#include "tests/support/run_time_types.h"

#include <ole2.h>

#include "benchmarks/timing.h"

#include <algorithm>
#include <cstdio>
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
bool Fill(proplist::KavellaList* list, UINT count, std::wstring (*nameOf)(UINT) = support::PropertyName) {
    ComPtr<IPropertyItems> holder;
    proplist::PropertyItems* items = ItemsOf(list, holder);
    if (!items) return false;
    std::vector<ComPtr<proplist::PropertyItem>> made;
    made.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        ComPtr<proplist::PropertyItem> item;
        if (FAILED(ole::MakeObject(item, proplist::ItemDescription{nameOf(i), false, proplist::kStyleWholeNumber,
                                                                    VT_I4, nullptr}))) {
            return false;
        }
        ole::Variant value(static_cast<LONG>(i));
        item->StoreValue(value.Get());
        made.push_back(std::move(item));
    }
    items->Append(std::move(made));
    return true;
}

int Populate() {
    std::printf("\nPopulateFromObject (times in ms, best of 5)\n");
    std::printf("object: a pure dispinterface of N Long properties, answering Invoke itself\n");
    std::printf("baseline: for each member GetFuncDesc (GetVarDesc), GetDocumentation of its name, ReleaseFuncDesc\n");
    std::printf("(ReleaseVarDesc); 'empty': into an empty list; 'refill': replacing the same N items\n");
    std::printf("%8s  %-10s  %10s  %10s  %10s  %8s  %8s\n", "N", "declared as", "baseline", "empty", "refill",
                "empty/", "refill/");
    std::printf("%8s  %-10s  %10s  %10s  %10s  %8s  %8s\n", "", "", "", "", "", "baseline", "baseline");
    struct Case {
        UINT count;
        support::Declared declared;
    };
    const Case cases[] = {{1000u, support::Declared::kDispatchFunctions},
                          {kMaxDispatchFunctions, support::Declared::kDispatchFunctions},
                          {1000u, support::Declared::kDispatchVariables},
                          {10000u, support::Declared::kDispatchVariables}};
    for (const Case& which : cases) {
        const char* declared = which.declared == support::Declared::kDispatchFunctions ? "functions" : "variables";
        ComPtr<ITypeInfo> info;
        const HRESULT built = support::BuildLongProperties(which.count, which.declared, info);
        if (FAILED(built)) {
            std::printf("%8u  %-10s  type library could not be built (0x%08lX)\n", which.count, declared,
                        static_cast<unsigned long>(built));
            return 1;
        }
        const ComPtr<IDispatch> object = support::MakeMemberIdObject(info);
        ComPtr<proplist::KavellaList> list = MakeList();
        ComPtr<IPropertyItems> items;
        if (!list || !ItemsOf(list.Get(), items)) return 1;
        ole::Variant argument(object.Get());
        HRESULT outcome = S_OK;
        double empty = 1e30;
        for (int i = 0; i < 5 && SUCCEEDED(outcome); ++i) {
            items->Clear();
            const double start = Now();
            outcome = list->PopulateFromObject(argument.Get());
            empty = std::min(empty, Now() - start);
        }
        const double refill = Best([&] {
            if (SUCCEEDED(outcome)) outcome = list->PopulateFromObject(argument.Get());
        });
        const double baseline = Best([&] { BaselineWalk(info.Get()); });
        LONG count = 0;
        if (FAILED(outcome) || FAILED(items->get_Count(&count)) || count != static_cast<LONG>(which.count)) {
            std::printf("%8u  %-10s  PopulateFromObject failed (0x%08lX, %ld items)\n", which.count, declared,
                        static_cast<unsigned long>(outcome), static_cast<long>(count));
            return 1;
        }
        std::printf("%8u  %-10s  %10.3f  %10.3f  %10.3f  %7.2fx  %7.2fx\n", which.count, declared, baseline * 1e3,
                    empty * 1e3, refill * 1e3, empty / baseline, refill / baseline);
        items->Clear();
    }
    return 0;
}

int Paint() {
    const int width = 400;
    const int height = 600;
    std::printf("\nOne page painted through IViewObject::Draw into a %dx%d memory DC (ms, best of 20)\n", width,
                height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // A host paints on a surface that already exists: the bitmap's memory is touched once here,
    // so that a first paint does not also pay for the system handing the bitmap its pages.
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    const RECTL bounds{0, 0, width, height};
    double times[2] = {};
    double firstTimes[2] = {};
    const UINT counts[2] = {100u, 100000u};
    int failed = 0;
    for (int which = 0; which < 2 && !failed; ++which) {
        ComPtr<proplist::KavellaList> list = MakeList();
        ComPtr<IViewObject> view;
        if (!list || FAILED(list->QueryInterface(IID_IViewObject, view.PutVoid())) || !Fill(list.Get(), counts[which])) {
            failed = 1;
            break;
        }
        auto draw = [&] {
            if (FAILED(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr,
                                  0))) {
                failed = 1;
            }
        };
        // The first paint after the items change also works out which of them are shown; the
        // first one of a new list also draws its first text in that font.
        firstTimes[which] = Best(draw, 1);
        times[which] = Best(draw, 20);
        ComPtr<IPropertyItems> holder;
        if (!ItemsOf(list.Get(), holder) || FAILED(holder->Clear()) || !Fill(list.Get(), counts[which])) {
            failed = 1;
            break;
        }
        const double refilled = Best(draw, 1);
        std::printf("%8u items: %8.3f  (first paint of a new list: %.3f, after refilling it: %.3f)"
                    "  rows drawn: %zu\n",
                    counts[which], times[which] * 1e3, firstTimes[which] * 1e3, refilled * 1e3,
                    list->View().RowsDrawn());
        holder->Clear();
    }
    if (!failed) {
        std::printf("100,000 / 100 items: %.2fx; one 60-Hz frame is 16.7 ms\n", times[1] / times[0]);
    } else {
        std::printf("the page could not be painted\n");
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return failed;
}

// The list in a window of its own, painted as the user sees it: through WM_PAINT, off screen
// and copied to the window.
int WindowPaint() {
    std::printf("\nThe list in a 400x600 window painted through WM_PAINT (ms)\n");
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    ComPtr<proplist::KavellaList> list = MakeList();
    if (!frame || !list || !Fill(list.Get(), 100) || FAILED(list->View().Place(frame))) {
        std::printf("the window could not be made\n");
        if (frame) DestroyWindow(frame);
        return 1;
    }
    HWND window = list->View().Window();
    auto paint = [&] {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    };
    const size_t before = list->View().PaintCount();
    const double first = Best(paint, 1);
    const double later = Best(paint, 20);
    const size_t paints = list->View().PaintCount() - before;
    std::printf("     100 items: first paint of a new list %.3f, later paints %.3f (best of 20)  paints: %zu\n",
                first * 1e3, later * 1e3, paints);
    list.Reset();
    DestroyWindow(frame);
    return paints == 21 ? 0 : 1;
}

int Lookup(std::wstring (*nameOf)(UINT), const char* names) {
    const int lookups = 100000;
    std::printf("\nItems.Item(name), %d lookups of names spread over the collection (microseconds per lookup, best of 5)\n",
                lookups);
    std::printf("names: %s\n", names);
    double times[2] = {};
    const UINT counts[2] = {100u, 100000u};
    for (int which = 0; which < 2; ++which) {
        ComPtr<proplist::KavellaList> list = MakeList();
        if (!list || !Fill(list.Get(), counts[which], nameOf)) return 1;
        ComPtr<IPropertyItems> items;
        if (!ItemsOf(list.Get(), items)) return 1;
        // The keys are made beforehand so that only the lookups are timed.
        std::vector<ole::Variant> keys;
        keys.reserve(1000);
        for (UINT i = 0; i < 1000; ++i) {
            keys.emplace_back(std::wstring_view(nameOf(static_cast<UINT>((i * 7919ull) % counts[which]))));
        }
        bool found = true;
        times[which] = Best([&] {
            for (int i = 0; i < lookups; ++i) {
                ComPtr<IPropertyItem> item;
                if (FAILED(items->get_Item(keys[static_cast<size_t>(i) % keys.size()].Get(), item.Put()))) found = false;
            }
        });
        if (!found) {
            std::printf("%8u items: a lookup failed\n", counts[which]);
            return 1;
        }
        std::printf("%8u items: %8.3f\n", counts[which], times[which] / lookups * 1e6);
        items->Clear();
    }
    std::printf("100,000 / 100 items: %.2fx\n", times[1] / times[0]);
    return 0;
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int failed = Populate();
    failed |= Paint();
    failed |= WindowPaint();
    failed |= Lookup(FixedWidthName, "Item000000 to Item099999, one length in both collections");
    failed |= Lookup(support::PropertyName, "Prop0 to Prop99999, longer in the larger collection");
    OleUninitialize();
    return failed;
}
