#include "tests/runtime/test_control.h"

#include "ole/bstr.h"
#include "ole/property_bag.h"
#include "ole/variant.h"
#include "tests/doubles/recording_container.h"
#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

namespace runtime_tests {
namespace {

using doubles::EventSink;
using doubles::PropertyNotifySink;
using doubles::RecordingContainer;
using ole::Bstr;
using ole::ComPtr;
using ole::Variant;
using Journal = std::vector<std::string>;

// A host's life with a control, from creation to the last release, in the sequences real hosts
// use; the control's journal shows what its class was told, the container what it was asked.
class ControlLifecycleTest : public testing::Test {
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

    std::vector<BYTE> SaveToBytes(bool clearDirty) {
        ComPtr<IStream> stream;
        EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
        EXPECT_EQ(persist->Save(stream.Get(), clearDirty), S_OK);
        STATSTG status{};
        stream->Stat(&status, STATFLAG_NONAME);
        std::vector<BYTE> bytes(static_cast<size_t>(status.cbSize.QuadPart));
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        return bytes;
    }

    static ComPtr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
        ComPtr<IStream> stream;
        CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        return stream;
    }

    ComPtr<IOleObject> object;
    ComPtr<ITestControl> control;
    ComPtr<IPersistStreamInit> persist;
    ComPtr<RecordingContainer> container;
};

TEST_F(ControlLifecycleTest, WithoutASiteTheControlDrawsFiresAndGetsTheDefaultFont) {
    EXPECT_EQ(control->FireClicked(), S_OK) << "events with nobody listening";
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
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
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    view.Reset();
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "InitProperties"}))
        << "a control drawn before any InitNew gets a new control's properties";

    ComPtr<IFontDisp> fontDisp;
    ASSERT_EQ(control->get_Font(fontDisp.Put()), S_OK);
    ComPtr<IFont> font;
    ASSERT_TRUE(fontDisp && SUCCEEDED(fontDisp.As(&font)));
    CY size{};
    ASSERT_EQ(font->get_Size(&size), S_OK);
    EXPECT_EQ(size.int64, 82500) << "8.25 points";
    font.Reset();
    fontDisp.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, QuickActivationThenInPlaceActivationAndTeardown) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), CY{{120000, 0}}, FW_BOLD, ANSI_CHARSET,
                         FALSE, FALSE, FALSE};
    ComPtr<IFontDisp> ambient;
    ASSERT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, ambient.PutVoid()), S_OK);
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
    EXPECT_EQ(notify->RefCount(), 2u);
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
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), nullptr), S_OK);
    EXPECT_EQ(container->Calls(), (std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow",
                                                            "GetWindowContext", "ShowObject"}));
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    HWND window = nullptr;
    ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), container->Window());
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);

    // The container moves and sizes the control.
    const RECT moved{30, 40, 230, 140};
    ASSERT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    RECT where{};
    GetWindowRect(window, &where);
    MapWindowPoints(nullptr, container->Window(), reinterpret_cast<POINT*>(&where), 2);
    EXPECT_EQ(where.left, 30);
    EXPECT_EQ(where.top, 40);

    // A property change reaches the container and makes the control dirty; saving cleans it.
    ASSERT_EQ(persist->IsDirty(), S_FALSE);
    const Bstr caption(L"Changed");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    EXPECT_EQ(notify->ChangedIds(), std::vector<DISPID>{1});
    EXPECT_EQ(persist->IsDirty(), S_OK);
    SaveToBytes(false);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    SaveToBytes(true);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(events->Events().size(), 1u);

    // Resize for the extent, then for the in-place size, and for the move.
    const Journal& journal = TestControl::Journal();
    ASSERT_GE(journal.size(), 6u);
    EXPECT_EQ(journal[0], "Initialize");
    EXPECT_EQ(journal[1].rfind("Resize ", 0), 0u);
    EXPECT_EQ(journal[2], "InitProperties");
    EXPECT_EQ(journal[3], "Resize 100x50");
    EXPECT_EQ(journal[4], "Show");
    EXPECT_EQ(journal[5], "Resize 200x100");

    // The host's teardown: its connections first, then Close and the site.
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
    inPlace.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnInPlaceDeactivate"});
    EXPECT_EQ(events->RefCount(), 1u);
    EXPECT_EQ(notify->RefCount(), 1u);
}

TEST_F(ControlLifecycleTest, SavedControlLoadsBeforeItsSiteAndOnlyOnce) {
    ASSERT_EQ(persist->InitNew(), S_OK);
    const Bstr caption(L"Persisted");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    ASSERT_EQ(control->put_Count(42), S_OK);
    const std::vector<BYTE> saved = SaveToBytes(true);

    // Wine's ATL and MFC: Load first, then the site.
    Recreate();
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    ASSERT_EQ(persist->Load(StreamOf(saved).Get()), S_OK);
    EXPECT_EQ(persist->Load(StreamOf(saved).Get()), E_UNEXPECTED);
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

TEST_F(ControlLifecycleTest, CorruptedStreamLeavesTheControlAsItWas) {
    ASSERT_EQ(persist->InitNew(), S_OK);
    const std::vector<BYTE> saved = SaveToBytes(true);
    Recreate();
    for (size_t length = 0; length < saved.size(); ++length) {
        std::vector<BYTE> truncated(saved.begin(), saved.begin() + length);
        EXPECT_TRUE(FAILED(persist->Load(StreamOf(truncated).Get()))) << "truncated at " << length;
    }
    EXPECT_EQ(TestControl::Journal(), Journal{"Initialize"}) << "no handler saw the broken streams";
    EXPECT_EQ(persist->InitNew(), S_OK) << "the control is still new";
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, PropertyBagAndStorageRoundTripsGoThroughTheSameHandlers) {
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
    ASSERT_EQ(persistStorage->IsDirty(), S_OK);
    ASSERT_EQ(persistStorage->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(persistStorage->IsDirty(), S_OK);
    ASSERT_EQ(persistStorage->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(persistStorage->IsDirty(), S_FALSE);
    persistBag.Reset();
    persistStorage.Reset();
    TearDownLikeAHost();

    for (int through = 0; through < 2; ++through) {
        TestControl::Journal().clear();
        ComPtr<ITestControl> loaded;
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, loaded.PutVoid()), S_OK);
        if (through == 0) {
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
        EXPECT_EQ(count, 7) << (through == 0 ? "bag" : "storage");
        EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    }
    bag->AddRef();
    EXPECT_EQ(bag->Release(), 1u);
}

TEST_F(ControlLifecycleTest, FrozenEventsAreDiscardedUntilEveryFreezeIsUndone) {
    auto sink = EventSink::Create(DIID__TestControlEvents);
    ComPtr<IConnectionPointContainer> points;
    ASSERT_EQ(object.As(&points), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(points->FindConnectionPoint(DIID__TestControlEvents, point.Put()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
    ComPtr<IOleControl> oleControl;
    ASSERT_EQ(object.As(&oleControl), S_OK);
    ASSERT_EQ(oleControl->FreezeEvents(TRUE), S_OK);
    ASSERT_EQ(oleControl->FreezeEvents(TRUE), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    ASSERT_EQ(oleControl->FreezeEvents(FALSE), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_TRUE(sink->Events().empty()) << "still frozen once";
    ASSERT_EQ(oleControl->FreezeEvents(FALSE), S_OK);
    ASSERT_EQ(oleControl->FreezeEvents(FALSE), S_OK) << "an extra thaw is harmless";
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(sink->Events().size(), 1u);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    point.Reset();
    points.Reset();
    oleControl.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, FailingReadPropertiesIsTheOnlyInitialisation) {
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    Variant notANumber(std::wstring_view(L"many"));
    ASSERT_EQ(bag->Write(L"Count", const_cast<VARIANT*>(&notANumber.Get())), S_OK);
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
