#include "ole/bstr.h"
#include "ole/property_bag.h"
#include "ole/variant.h"
#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_sinks.h"
#include "tests/ole/test_controls.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace runtime_tests {
namespace {

using doubles::AdviseSink;
using doubles::EventSink;
using doubles::PropertyNotifySink;
using doubles::RecordingContainer;
using ole::Bstr;
using ole::ComPtr;
using Journal = std::vector<std::string>;
using Calls = std::vector<std::string>;

// A host's life with a control, from creation to the last release, in the sequences real hosts
// use; the journal shows what the control's class was told, the container what it was asked.
class ControlHostTest : public testing::Test {
protected:
    void SetUp() override {
        container = RecordingContainer::Create();
        Recreate();
    }

    void Recreate() {
        persist.Reset();
        control.Reset();
        if (object) {
            ASSERT_EQ(object.Reset(), 0u);
        }
        TestControl::Journal().clear();
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
        ASSERT_EQ(object.As(&control), S_OK);
        ASSERT_EQ(object.As(&persist), S_OK);
    }

    // The teardown every well-behaved host does, then the check that nothing is left.
    void TearDownLikeAHost() {
        const long live = ole::Module::ObjectCount();
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(container->RefCount(), 1u) << "the control let go of its site";
        control.Reset();
        persist.Reset();
        EXPECT_EQ(object.Reset(), 0u) << "the last release";
        EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
        ASSERT_FALSE(TestControl::Journal().empty());
        EXPECT_EQ(TestControl::Journal().back(), "Terminate");
    }

    std::vector<BYTE> Save(bool clearDirty) {
        ComPtr<IStream> stream = support::StreamOf({});
        EXPECT_EQ(persist->Save(stream.Get(), clearDirty), S_OK);
        return support::StreamBytes(stream.Get());
    }
    HRESULT Verb(LONG verb) { return object->DoVerb(verb, nullptr, container.Get(), 0, container->Window(), nullptr); }
    HWND Window() {
        ComPtr<IOleInPlaceObject> inPlace;
        HWND window = reinterpret_cast<HWND>(1);
        if (SUCCEEDED(object.As(&inPlace))) inPlace->GetWindow(&window);
        return window;
    }
    long Shown() const { return std::count(TestControl::Journal().begin(), TestControl::Journal().end(), "Show"); }

    ComPtr<IOleObject> object;
    ComPtr<ITestControl> control;
    ComPtr<IPersistStreamInit> persist;
    ComPtr<RecordingContainer> container;
};

TEST_F(ControlHostTest, WithoutASiteTheControlDrawsFiresAndGetsTheDefaultFont) {
    EXPECT_EQ(control->FireClicked(), S_OK) << "events with nobody listening";
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO format{{sizeof(BITMAPINFOHEADER), 40, -30, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ComPtr<IViewObject2> view;
    ASSERT_EQ(object.As(&view), S_OK);
    const RECTL bounds{5, 5, 35, 25};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, nullptr, nullptr, nullptr, 0),
              E_INVALIDARG) << "no bounds and no window";
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0),
              DV_E_DVASPECT);
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(memory, 10, 10), TestControl::kPaintColour);
    EXPECT_NE(GetPixel(memory, 1, 1), TestControl::kPaintColour) << "only within the bounds";
    DeleteObject(SelectObject(memory, previous));
    DeleteDC(memory);
    view.Reset();
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "InitProperties"}))
        << "a control drawn before any InitNew gets a new control's properties";

    // The default font is 8.25 pt MS Sans Serif, compared as the platform realises that font.
    ComPtr<IFontDisp> fontDisp;
    ASSERT_EQ(control->get_Font(fontDisp.Put()), S_OK);
    ComPtr<IFont> font, expected;
    ASSERT_TRUE(fontDisp && SUCCEEDED(fontDisp.As(&font)));
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"MS Sans Serif"), CY{{82500, 0}}, FW_NORMAL,
                         DEFAULT_CHARSET, FALSE, FALSE, FALSE};
    ASSERT_EQ(OleCreateFontIndirect(&description, IID_IFont, expected.PutVoid()), S_OK);
    CY size{}, expectedSize{};
    ASSERT_EQ(font->get_Size(&size), S_OK);
    ASSERT_EQ(expected->get_Size(&expectedSize), S_OK);
    EXPECT_EQ(size.int64, expectedSize.int64);
    font.Reset();
    fontDisp.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, QuickActivationThenInPlaceActivationAndTeardown) {
    ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 12, true);
    container->SetAmbientFont(ambient.Get());
    auto events = EventSink::Create(DIID__TestControlEvents);
    auto notify = PropertyNotifySink::Create();
    ComPtr<IQuickActivate> quick;
    ASSERT_EQ(object.As(&quick), S_OK);
    QACONTAINER host{};
    host.cbSize = sizeof(host);
    host.pClientSite = container.Get();
    host.pPropertyNotifySink = notify.Get();
    host.pUnkEventSink = events.Get();
    QACONTROL answer{};
    answer.cbSize = sizeof(answer);
    ASSERT_EQ(quick->QuickActivate(&host, &answer), S_OK);
    EXPECT_NE(answer.dwEventCookie, 0u);
    EXPECT_NE(answer.dwPropNotifyCookie, 0u);
    EXPECT_EQ(answer.dwMiscStatus, static_cast<DWORD>(0x20191));
    EXPECT_EQ(events->RefCount(), 2u);
    SIZEL extent{2540, 1270};
    ASSERT_EQ(quick->SetContentExtent(&extent), S_OK);
    quick.Reset();

    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED) << "a second initialisation";
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    EXPECT_EQ(font, ambient) << "the container's own font object";
    font.Reset();

    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(container->Calls(),
              (Calls{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow", "GetWindowContext", "ShowObject"}));
    HWND window = Window();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), container->Window());
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    const RECT moved{30, 40, 230, 140};
    ASSERT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    const RECT where = support::RectIn(window, container->Window());
    EXPECT_EQ(where.left, 30);
    EXPECT_EQ(where.top, 40);
    inPlace.Reset();

    // A property change reaches the container and makes the control dirty; a save that says so
    // cleans it.
    ASSERT_EQ(persist->IsDirty(), S_FALSE);
    const Bstr caption(L"Changed");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    EXPECT_EQ(notify->ChangedIds(), std::vector<DISPID>{1});
    Save(false);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    Save(true);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(events->Events().size(), 1u);
    // Resized for the extent, then for the in-place size, and for the move.
    const Journal& journal = TestControl::Journal();
    ASSERT_GE(journal.size(), 6u);
    EXPECT_EQ(Journal(journal.begin() + 2, journal.begin() + 6),
              (Journal{"InitProperties", "Resize 100x50", "Show", "Resize 200x100"}));

    container->ClearCalls();
    container->SetAmbientFont(nullptr);
    ComPtr<IConnectionPointContainer> points;
    ASSERT_EQ(object.As(&points), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(DIID__TestControlEvents, point.Put()), S_OK);
    EXPECT_EQ(point->Unadvise(answer.dwEventCookie), S_OK);
    ASSERT_EQ(points->FindConnectionPoint(IID_IPropertyNotifySink, point.Put()), S_OK);
    EXPECT_EQ(point->Unadvise(answer.dwPropNotifyCookie), S_OK);
    point.Reset();
    points.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(container->Calls(), Calls{"OnInPlaceDeactivate"});
    EXPECT_EQ(events->RefCount(), 1u);
    EXPECT_EQ(notify->RefCount(), 1u);
}

TEST_F(ControlHostTest, QuickActivationSurvivesSinksThatCannotConnect) {
    ComPtr<IQuickActivate> quick;
    ASSERT_EQ(object.As(&quick), S_OK);
    auto stranger = AdviseSink::Create("sink of neither interface");
    QACONTAINER host{};
    host.cbSize = sizeof(host);
    host.pClientSite = container.Get();
    host.pUnkEventSink = stranger.Get();
    host.pPropertyNotifySink = reinterpret_cast<IPropertyNotifySink*>(stranger.Get());
    QACONTROL answer{};
    answer.cbSize = sizeof(answer);
    ASSERT_EQ(quick->QuickActivate(&host, &answer), S_OK);
    EXPECT_EQ(answer.dwEventCookie, 0u);
    EXPECT_EQ(answer.dwPropNotifyCookie, 0u);
    EXPECT_EQ(stranger->RefCount(), 1u);
    answer.cbSize = 4;
    EXPECT_EQ(quick->QuickActivate(&host, &answer), E_INVALIDARG);
    quick.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, VerbsShowHideAndActivateAndTellTheSiteOnce) {
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_SHOW), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(Shown(), 1) << "already visible";
    ASSERT_EQ(Verb(OLEIVERB_HIDE), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(Verb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_EQ(Shown(), 2);
    EXPECT_TRUE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(Verb(7), OLEOBJ_S_INVALIDVERB) << "an unknown positive verb acts as the primary one";
    EXPECT_EQ(Verb(-42), E_NOTIMPL);

    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_UIACTIVATE), S_OK);
    EXPECT_EQ(std::count(container->Calls().begin(), container->Calls().end(), "OnUIActivate"), 1);
    container->ClearCalls();
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), (Calls{"OnUIDeactivate", "OnInPlaceDeactivate"})) << "each once";
    EXPECT_EQ(Window(), nullptr) << "the window is gone";
    inPlace.Reset();

    container->RefuseInPlaceActivation();
    EXPECT_TRUE(FAILED(Verb(OLEIVERB_INPLACEACTIVATE)));
    EXPECT_EQ(Window(), nullptr);
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, CloseSavesWhenAskedAndTellsAdviseSinksAndTheControlDescribesItself) {
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    auto sink = AdviseSink::Create();
    DWORD cookie = 0;
    ASSERT_EQ(object->Advise(sink.Get(), &cookie), S_OK);
    const Bstr caption(L"dirty now");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    container->ClearCalls();
    ASSERT_EQ(object->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(container->Calls(), Calls{"SaveObject"});
    EXPECT_EQ(sink->Calls(), Calls{"OnClose"});
    container->ClearCalls();
    ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_TRUE(container->Calls().empty()) << "no save when told not to";
    EXPECT_EQ(object->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink->RefCount(), 1u);
    EXPECT_EQ(object->Unadvise(cookie), OLE_E_NOCONNECTION);

    LPOLESTR name = nullptr;
    ASSERT_EQ(object->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_STREQ(name, L"TestControl") << "unregistered: the type library names it";
    CoTaskMemFree(name);
    SIZEL size{1000, 500};
    EXPECT_EQ(object->SetExtent(DVASPECT_ICON, &size), DV_E_DVASPECT);
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(object.As(&view), S_OK);
    const RECT bounds{0, 0, 10, 10};
    DWORD hit = 0;
    ASSERT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{5, 5}, 0, &hit), S_OK);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_HIT));
    ASSERT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &bounds, POINT{15, 5}, 0, &hit), S_OK);
    EXPECT_EQ(hit, static_cast<DWORD>(HITRESULT_OUTSIDE));
    view.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, FrozenEventsAreDiscardedUntilEveryFreezeIsUndone) {
    auto sink = EventSink::Create(DIID__TestControlEvents);
    ComPtr<IConnectionPointContainer> points;
    ASSERT_EQ(object.As(&points), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(DIID__TestControlEvents, point.Put()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
    ComPtr<IOleControl> oleControl;
    ASSERT_EQ(object.As(&oleControl), S_OK);
    for (BOOL freeze : {TRUE, TRUE, FALSE}) ASSERT_EQ(oleControl->FreezeEvents(freeze), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_TRUE(sink->Events().empty()) << "still frozen once";
    for (BOOL freeze : {FALSE, FALSE}) ASSERT_EQ(oleControl->FreezeEvents(freeze), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(sink->Events().size(), 1u) << "an extra thaw is harmless";
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    point.Reset();
    points.Reset();
    oleControl.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, ASavedControlLoadsOnceBeforeItsSiteAndABrokenStreamChangesNothing) {
    ASSERT_EQ(persist->InitNew(), S_OK);
    const Bstr caption(L"Persisted");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    ASSERT_EQ(control->put_Count(42), S_OK);
    const std::vector<BYTE> saved = Save(true);

    Recreate();
    for (size_t length = 0; length < saved.size(); ++length) {
        const std::vector<BYTE> truncated(saved.begin(), saved.begin() + length);
        EXPECT_TRUE(FAILED(persist->Load(support::StreamOf(truncated).Get()))) << "truncated at " << length;
    }
    EXPECT_EQ(TestControl::Journal(), Journal{"Initialize"}) << "no handler saw the broken streams";
    // Wine's ATL and MFC: Load first, then the site.
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    ASSERT_EQ(persist->Load(support::StreamOf(saved).Get()), S_OK);
    EXPECT_EQ(persist->Load(support::StreamOf(saved).Get()), E_UNEXPECTED);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    Bstr read;
    ASSERT_EQ(control->get_Caption(read.Out()), S_OK);
    EXPECT_EQ(read, L"Persisted");
    LONG count = 0;
    ASSERT_EQ(control->get_Count(&count), S_OK);
    EXPECT_EQ(count, 42);
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    TearDownLikeAHost();
}

TEST_F(ControlHostTest, PropertyBagAndStorageRoundTripsGoThroughTheSameHandlers) {
    ComPtr<IPersistPropertyBag> persistBag;
    ASSERT_EQ(object.As(&persistBag), S_OK);
    ASSERT_EQ(persistBag->InitNew(), S_OK);
    ASSERT_EQ(control->put_Count(7), S_OK);
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(persistBag->Save(bag.Get(), TRUE, TRUE), S_OK);
    bag->AddRef();
    EXPECT_EQ(bag->Release(), 1u) << "the container's bag is not kept";
    // A storage save leaves the control dirty until SaveCompleted.
    ASSERT_EQ(control->put_Count(7), S_OK);
    ComPtr<ILockBytes> bytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                           storage.Put()),
              S_OK);
    ComPtr<IPersistStorage> persistStorage;
    ASSERT_EQ(object.As(&persistStorage), S_OK);
    ASSERT_EQ(persistStorage->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(persistStorage->IsDirty(), S_OK);
    ASSERT_EQ(persistStorage->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(persistStorage->IsDirty(), S_FALSE);
    persistBag.Reset();
    persistStorage.Reset();
    TearDownLikeAHost();

    for (const bool fromBag : {true, false}) {
        TestControl::Journal().clear();
        ComPtr<ITestControl> loaded;
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, loaded.PutVoid()), S_OK);
        if (fromBag) {
            ComPtr<IPersistPropertyBag> load;
            ASSERT_EQ(loaded.As(&load), S_OK);
            ASSERT_EQ(load->Load(bag.Get(), nullptr), S_OK);
        } else {
            ComPtr<IPersistStorage> load;
            ASSERT_EQ(loaded.As(&load), S_OK);
            ASSERT_EQ(load->Load(storage.Get()), S_OK);
            EXPECT_EQ(load->InitNew(storage.Get()), E_UNEXPECTED);
        }
        LONG count = 0;
        ASSERT_EQ(loaded->get_Count(&count), S_OK);
        EXPECT_EQ(count, 7) << (fromBag ? "bag" : "storage");
        EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    }
}

TEST_F(ControlHostTest, AFailingReadPropertiesIsTheOnlyInitialisation) {
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(ole::WriteBagValue(bag.Get(), L"Count", ole::Variant(std::wstring_view(L"many")).Get()), S_OK);
    ComPtr<IPersistPropertyBag> persistBag;
    ASSERT_EQ(object.As(&persistBag), S_OK);
    EXPECT_EQ(persistBag->Load(bag.Get(), nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(persistBag->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    persistBag.Reset();
    TearDownLikeAHost();
}

}  // namespace
}  // namespace runtime_tests
