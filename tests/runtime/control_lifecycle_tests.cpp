#include "tests/runtime/test_control.h"

#include "ole/bstr.h"
#include "ole/late_bound.h"
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
        TestControl::Journal().clear();
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
        ASSERT_EQ(object.As(&control), S_OK);
        container = RecordingContainer::Create();
    }

    // The teardown every well-behaved host does, then the check that nothing is left.
    void TearDownLikeAHost() {
        const long live = ole::Module::ObjectCount();
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(container->RefCount(), 1u) << "the control let go of its site";
        control.Reset();
        EXPECT_EQ(object.Reset(), 0u) << "the last release";
        EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
        ASSERT_FALSE(TestControl::Journal().empty());
        EXPECT_EQ(TestControl::Journal().back(), "Terminate");
    }

    std::vector<BYTE> SaveToBytes(bool clearDirty) {
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(object.As(&persist), S_OK);
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

    std::wstring Caption() {
        Bstr caption;
        EXPECT_EQ(control->get_Caption(caption.Out()), S_OK);
        return std::wstring(caption.View());
    }

    ComPtr<IOleObject> object;
    ComPtr<ITestControl> control;
    ComPtr<RecordingContainer> container;
};

TEST_F(ControlLifecycleTest, ScriptClientWithoutSiteDrivesTheControlThroughIDispatch) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(object.As(&dispatch), S_OK);
    const Variant caption(std::wstring_view(L"scripted"));
    ASSERT_EQ(ole::PutProperty(dispatch.Get(), L"Caption", caption.Get()), S_OK);
    EXPECT_EQ(Caption(), L"scripted");
    EXPECT_EQ(control->FireClicked(), S_OK) << "events with nobody listening";
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);

    // With no site the ambient font is the default one.
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    ComPtr<IFontDisp> fontDisp;
    ASSERT_EQ(control->get_Font(fontDisp.Put()), S_OK);
    ComPtr<IFont> font;
    ASSERT_TRUE(fontDisp && SUCCEEDED(fontDisp.As(&font)));
    CY size{};
    SHORT weight = 0;
    ASSERT_EQ(font->get_Size(&size), S_OK);
    ASSERT_EQ(font->get_Weight(&weight), S_OK);
    EXPECT_EQ(size.int64, 82500) << "8.25 points";
    EXPECT_EQ(weight, 400);
    dispatch.Reset();
    fontDisp.Reset();
    font.Reset();
    persist.Reset();

    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "InitProperties"}));
    control.Reset();
    EXPECT_EQ(object.Reset(), 0u);
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "InitProperties", "Terminate"}));
}

TEST_F(ControlLifecycleTest, DrawsIntoAnyDeviceContextWithoutBeingActive) {
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
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, QuickActivationThenInPlaceActivationAndTeardown) {
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

    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED) << "a second initialisation";

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
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 100);
    EXPECT_EQ(client.bottom, 50);

    // The container moves and sizes the control.
    const RECT moved{30, 40, 230, 140};
    ASSERT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
    RECT where{};
    GetWindowRect(window, &where);
    MapWindowPoints(nullptr, container->Window(), reinterpret_cast<POINT*>(&where), 2);
    EXPECT_EQ(where.left, 30);
    EXPECT_EQ(where.top, 40);
    EXPECT_EQ(where.right - where.left, 200);
    EXPECT_EQ(where.bottom - where.top, 100);

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

    // The journal: Resize for the extent, then for the in-place size, and for the move.
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
    persist.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(container->Calls(), std::vector<std::string>{"OnInPlaceDeactivate"});
    EXPECT_EQ(events->RefCount(), 1u);
    EXPECT_EQ(notify->RefCount(), 1u);
}

TEST_F(ControlLifecycleTest, SiteFirstGivesTheContainersAmbientFont) {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), CY{{120000, 0}}, FW_BOLD, ANSI_CHARSET,
                         FALSE, FALSE, FALSE};
    ComPtr<IFontDisp> ambient;
    ASSERT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, ambient.PutVoid()), S_OK);
    container->SetAmbientFont(ambient.Get());
    DWORD status = 0;
    ASSERT_EQ(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    ASSERT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ComPtr<IOleClientSite> site;
    ASSERT_EQ(object->GetClientSite(site.Put()), S_OK);
    EXPECT_EQ(site.Get(), static_cast<IOleClientSite*>(container.Get()));
    site.Reset();
    ComPtr<IPersistPropertyBag> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    EXPECT_EQ(font, ambient) << "the container's own font object";
    font.Reset();
    persist.Reset();
    container->SetAmbientFont(nullptr);
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, SavedControlLoadsBeforeItsSiteAndOnlyOnce) {
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    const Bstr caption(L"Persisted");
    ASSERT_EQ(control->put_Caption(caption.Get()), S_OK);
    ASSERT_EQ(control->put_Count(42), S_OK);
    const std::vector<BYTE> saved = SaveToBytes(true);
    persist.Reset();
    control.Reset();
    ASSERT_EQ(object.Reset(), 0u);

    // Wine's ATL and MFC: Load first, then the site.
    TestControl::Journal().clear();
    ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
    ASSERT_EQ(object.As(&control), S_OK);
    ASSERT_EQ(object.As(&persist), S_OK);
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    ASSERT_EQ(persist->Load(StreamOf(saved).Get()), S_OK);
    EXPECT_EQ(persist->Load(StreamOf(saved).Get()), E_UNEXPECTED);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    EXPECT_EQ(Caption(), L"Persisted");
    LONG count = 0;
    ASSERT_EQ(control->get_Count(&count), S_OK);
    EXPECT_EQ(count, 42);
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    persist.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, CorruptedStreamLeavesTheControlAsItWas) {
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(object.As(&persist), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    const std::vector<BYTE> saved = SaveToBytes(true);
    persist.Reset();
    control.Reset();
    ASSERT_EQ(object.Reset(), 0u);
    TestControl::Journal().clear();
    ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
    ASSERT_EQ(object.As(&control), S_OK);
    ASSERT_EQ(object.As(&persist), S_OK);
    for (size_t length = 0; length < saved.size(); ++length) {
        std::vector<BYTE> truncated(saved.begin(), saved.begin() + length);
        EXPECT_TRUE(FAILED(persist->Load(StreamOf(truncated).Get()))) << "truncated at " << length;
    }
    EXPECT_EQ(TestControl::Journal(), Journal{"Initialize"}) << "no handler saw the broken streams";
    EXPECT_EQ(persist->InitNew(), S_OK) << "the control is still new";
    persist.Reset();
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

    ComPtr<ILockBytes> bytes;
    ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                           storage.Put()),
              S_OK);
    ComPtr<IPersistStorage> persistStorage;
    ASSERT_EQ(object.As(&persistStorage), S_OK);
    ASSERT_EQ(persistStorage->Save(storage.Get(), FALSE), S_OK);
    ASSERT_EQ(persistStorage->SaveCompleted(nullptr), S_OK);
    persistBag.Reset();
    persistStorage.Reset();
    TearDownLikeAHost();

    for (int through = 0; through < 2; ++through) {
        TestControl::Journal().clear();
        ComPtr<ITestControl> loaded;
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, loaded.PutVoid()), S_OK);
        if (through == 0) {
            ComPtr<IPersistPropertyBag> persist;
            ASSERT_EQ(loaded.As(&persist), S_OK);
            ASSERT_EQ(persist->Load(bag.Get(), nullptr), S_OK);
            EXPECT_EQ(persist->Load(nullptr, nullptr), E_POINTER);
        } else {
            ComPtr<IPersistStorage> persist;
            ASSERT_EQ(loaded.As(&persist), S_OK);
            ASSERT_EQ(persist->Load(storage.Get()), S_OK);
            EXPECT_EQ(persist->InitNew(storage.Get()), E_UNEXPECTED);
        }
        LONG count = 0;
        ASSERT_EQ(loaded->get_Count(&count), S_OK);
        EXPECT_EQ(count, 7) << (through == 0 ? "bag" : "storage");
        Bstr caption;
        ASSERT_EQ(loaded->get_Caption(caption.Out()), S_OK);
        EXPECT_EQ(std::wstring(caption.View()), L"New");
        EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "ReadProperties"}));
    }
    bag->AddRef();
    EXPECT_EQ(bag->Release(), 1u);
}

TEST_F(ControlLifecycleTest, FrozenEventsAreDiscarded) {
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
    CONTROLINFO info{};
    info.cb = sizeof(info);
    EXPECT_EQ(oleControl->GetControlInfo(&info), S_OK);
    EXPECT_EQ(info.cAccel, 0);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    point.Reset();
    points.Reset();
    oleControl.Reset();
    TearDownLikeAHost();
}

TEST_F(ControlLifecycleTest, ErrorOfTheControlReachesAHostThroughEXCEPINFO) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(object.As(&dispatch), S_OK);
    VARIANT nothing;
    V_VT(&nothing) = VT_DISPATCH;
    V_DISPATCH(&nothing) = nullptr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&nothing, &named, 1, 1};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    ASSERT_EQ(dispatch->Invoke(7, IID_NULL, 1033, DISPATCH_PROPERTYPUTREF, &parameters, nullptr, &exception,
                               &argumentError),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, static_cast<HRESULT>(0x800A017C));
    EXPECT_STREQ(exception.bstrDescription, L"Invalid property value");
    EXPECT_STREQ(exception.bstrSource, L"RuntimeTests.TestControl");
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    dispatch.Reset();
    TearDownLikeAHost();
}

}  // namespace
}  // namespace runtime_tests
