#include "ole/ambient.h"
#include "ole/arguments.h"
#include "ole/event_connection.h"
#include "ole/late_bound.h"
#include "ole/property_bag.h"
#include "ole/property_notify_connection.h"
#include "tests/doubles/recording_container.h"
#include "tests/ole/test_controls.h"
#include "tests/support/canvas.h"
#include "tests/support/com_helpers.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using doubles::EventSink;
using ole::ComPtr;
using ole::Variant;
using Log = std::vector<std::string>;

// A host's life with a control, in the sequences real hosts use; the journal shows what the
// control's class was told, the container what it was asked.
class ControlHostTest : public testing::Test {
protected:
    void SetUp() override { Recreate(); }
    void TearDown() override { if (object) TearDownLikeAHost(); }
    void Recreate() {
        control.Reset();
        persist.Reset();
        ASSERT_EQ(object.Reset(), 0u);
        TestControl::journal.clear();
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_IOleObject, object.PutVoid()), S_OK);
        control = As<ITestControl>();
        persist = As<IPersistStreamInit>();
    }
    // The leak check then sees that nothing is left.
    void TearDownLikeAHost() {
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(container->RefCount(), 1u) << "the control let go of its site";
        control.Reset();
        persist.Reset();
        object.Reset();
        EXPECT_EQ(TestControl::journal.empty() ? "" : TestControl::journal.back(), "Terminate");
    }
    template <typename Interface>
    ComPtr<Interface> As() { return support::QueryAs<Interface>(object); }
    ComPtr<IConnectionPoint> Point(REFIID events) {
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(As<IConnectionPointContainer>()->FindConnectionPoint(events, point.Put()), S_OK);
        return point;
    }
    HRESULT QuickActivate(IUnknown* eventSink, IPropertyNotifySink* notifySink, QACONTROL& answer,
                          ULONG answerSize = sizeof(QACONTROL)) {
        answer = {};
        answer.cbSize = answerSize;
        QACONTAINER host{};
        host.cbSize = sizeof(host);
        host.pClientSite = container.Get();
        host.pPropertyNotifySink = notifySink;
        host.pUnkEventSink = eventSink;
        return As<IQuickActivate>()->QuickActivate(&host, &answer);
    }
    LONG Count() {
        LONG count = -1;
        EXPECT_EQ(control->get_Count(&count), S_OK);
        return count;
    }
    HRESULT Verb(LONG verb) { return object->DoVerb(verb, nullptr, container.Get(), 0, container->Window(), nullptr); }
    HWND Window() {
        HWND window = reinterpret_cast<HWND>(1);
        As<IOleInPlaceObject>()->GetWindow(&window);
        return window;
    }
    long Shown() const { return std::count(TestControl::journal.begin(), TestControl::journal.end(), "Show"); }

    ComPtr<doubles::RecordingContainer> container = doubles::RecordingContainer::Create();
    ComPtr<IOleObject> object;
    ComPtr<ITestControl> control;
    ComPtr<IPersistStreamInit> persist;
};

TEST_F(ControlHostTest, WithoutASiteTheControlDrawsWithinItsBoundsFiresHasAFontAndQuickActivatesWithAnySinks) {
    EXPECT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED);
    support::Canvas canvas(40, 30);
    auto view = As<IViewObject2>();
    const RECTL bounds{5, 5, 35, 25};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), nullptr, nullptr, nullptr, 0),
              E_INVALIDARG) << "no bounds and no window";
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(GetPixel(canvas.Dc(), 10, 10), TestControl::kPaintColour);
    EXPECT_NE(GetPixel(canvas.Dc(), 1, 1), TestControl::kPaintColour) << "only within the bounds";
    EXPECT_EQ(TestControl::journal, (Log{"Initialize", "InitProperties"})) << "initialised before it draws";
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    EXPECT_TRUE(font) << "a default font without an ambient one";

    auto stranger = EventSink::Create(IID_IOleObject, "sink of neither interface");
    QACONTROL answer;
    ASSERT_EQ(QuickActivate(stranger.Get(), reinterpret_cast<IPropertyNotifySink*>(stranger.Get()), answer), S_OK);
    EXPECT_EQ(answer.dwEventCookie + answer.dwPropNotifyCookie, 0u) << "sinks that cannot connect get no cookie";
    EXPECT_EQ(QuickActivate(nullptr, nullptr, answer, 4), E_INVALIDARG) << "an answer too small";
}

TEST_F(ControlHostTest, QuickActivationThenInPlaceActivationAndTeardown) {
    ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 12, true);
    container->SetAmbientFont(ambient.Get());
    auto events = EventSink::Create(DIID__TestControlEvents);
    auto notify = doubles::PropertyNotifySink::Create();
    QACONTROL answer;
    ASSERT_EQ(QuickActivate(events.Get(), notify.Get(), answer), S_OK);
    SIZEL extent{2540, 1270};
    ASSERT_EQ(As<IQuickActivate>()->SetContentExtent(&extent), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED);
    ComPtr<IFontDisp> font;
    ASSERT_EQ(control->get_Font(font.Put()), S_OK);
    EXPECT_EQ(font, ambient) << "the container's own font object";

    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(container->Calls(),
              (Log{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow", "GetWindowContext", "ShowObject"}));
    HWND window = Window();
    EXPECT_EQ(GetParent(window), container->Window());
    const RECT moved{30, 40, 230, 140};
    ASSERT_EQ(As<IOleInPlaceObject>()->SetObjectRects(&moved, &moved), S_OK);
    EXPECT_EQ(support::RectIn(window, container->Window()).left, 30);

    ASSERT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(control->put_Count(5), S_OK);
    EXPECT_EQ(notify->ChangedIds(), std::vector<DISPID>{2});
    for (const bool clearDirty : {false, true}) {
        ASSERT_EQ(persist->Save(support::StreamOf({}).Get(), clearDirty), S_OK);
        EXPECT_EQ(persist->IsDirty(), clearDirty ? S_FALSE : S_OK);
    }
    // After its first size, resized for the extent, then for the in-place size.
    const Log& journal = TestControl::journal;
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(Log(journal.begin() + 2, journal.end()),
              (Log{"InitProperties", "Resize 100x50", "Show", "Resize 200x100"}));

    container->ClearCalls();
    EXPECT_EQ(Point(DIID__TestControlEvents)->Unadvise(answer.dwEventCookie), S_OK);
    EXPECT_EQ(Point(IID_IPropertyNotifySink)->Unadvise(answer.dwPropNotifyCookie), S_OK);
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(container->Calls(), Log{"OnInPlaceDeactivate"});
}

TEST_F(ControlHostTest, VerbsTellTheSiteOnceCloseSavesOnlyWhenAskedAndFrozenEventsWaitForTheLastThaw) {
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_SHOW), S_OK);
    ASSERT_EQ(Verb(OLEIVERB_INPLACEACTIVATE), S_OK);
    EXPECT_EQ(Shown(), 1) << "already visible";
    ASSERT_EQ(Verb(OLEIVERB_HIDE), S_OK);
    EXPECT_FALSE(GetWindowLongPtrW(Window(), GWL_STYLE) & WS_VISIBLE);
    ASSERT_EQ(Verb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_EQ(Shown(), 2);
    EXPECT_EQ(Verb(7), OLEOBJ_S_INVALIDVERB) << "an unknown positive verb acts as the primary one";
    EXPECT_EQ(Verb(-42), E_NOTIMPL);

    container->ClearCalls();
    ASSERT_EQ(Verb(OLEIVERB_UIACTIVATE), S_OK);
    auto inPlace = As<IOleInPlaceObject>();
    for (int twice = 0; twice < 2; ++twice) ASSERT_EQ(inPlace->UIDeactivate(), S_OK);
    ASSERT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_EQ(container->Calls(), (Log{"ShowObject", "OnUIActivate", "OnUIDeactivate", "OnInPlaceDeactivate"}));
    EXPECT_EQ(Window(), nullptr);
    container->RefuseInPlaceActivation();
    EXPECT_TRUE(FAILED(Verb(OLEIVERB_INPLACEACTIVATE)));
    EXPECT_EQ(Window(), nullptr);

    DWORD cookie = 0;
    ASSERT_EQ(object->Advise(container.Get(), &cookie), S_OK);
    ASSERT_EQ(control->put_Count(5), S_OK);
    container->ClearCalls();
    ASSERT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
    ASSERT_EQ(object->Close(OLECLOSE_SAVEIFDIRTY), S_OK);
    EXPECT_EQ(container->Calls(), (Log{"OnClose", "SaveObject", "OnClose"}));
    EXPECT_EQ(object->Unadvise(cookie), S_OK);

    auto events = EventSink::Create(DIID__TestControlEvents);
    support::Advise(object, DIID__TestControlEvents, events.Get());
    for (BOOL freeze : {TRUE, TRUE, FALSE}) ASSERT_EQ(As<IOleControl>()->FreezeEvents(freeze), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_TRUE(events->Events().empty()) << "still frozen once";
    for (BOOL freeze : {FALSE, FALSE}) ASSERT_EQ(As<IOleControl>()->FreezeEvents(freeze), S_OK);
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(events->Events().size(), 1u) << "an extra thaw is harmless";
}

// Wine's ATL and MFC load first, then set the site; a storage save leaves the control dirty until
// SaveCompleted; a failing ReadProperties is still the control's only initialisation.
TEST_F(ControlHostTest, EachWayOfLoadingHappensOnceAndABrokenStreamChangesNothing) {
    ComPtr<IStorage> storage;
    const DWORD mode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE;
    ASSERT_EQ(StgCreateDocfile(nullptr, mode, 0, storage.Put()), S_OK);
    ASSERT_EQ(persist->InitNew(), S_OK);
    ASSERT_EQ(control->put_Count(42), S_OK);
    ASSERT_EQ(As<IPersistStorage>()->Save(storage.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ASSERT_EQ(As<IPersistStorage>()->SaveCompleted(nullptr), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ComPtr<IStream> saved = support::StreamOf({});
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
    std::vector<BYTE> truncated = support::StreamBytes(saved.Get());
    truncated.pop_back();

    Recreate();
    EXPECT_TRUE(FAILED(persist->Load(support::StreamOf(truncated).Get())));
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    ASSERT_EQ(saved->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(persist->Load(saved.Get()), S_OK);
    EXPECT_EQ(persist->Load(saved.Get()), E_UNEXPECTED);
    EXPECT_EQ(persist->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    EXPECT_EQ(Count(), 42);
    EXPECT_EQ(TestControl::journal, (Log{"Initialize", "ReadProperties"}));

    Recreate();
    ASSERT_EQ(As<IPersistStorage>()->Load(storage.Get()), S_OK);
    EXPECT_EQ(As<IPersistStorage>()->InitNew(storage.Get()), E_UNEXPECTED);
    EXPECT_EQ(Count(), 42);

    Recreate();
    ComPtr<ole::MemoryPropertyBag> bag;
    ASSERT_EQ(ole::MakeObject(bag), S_OK);
    ASSERT_EQ(ole::WriteBagValue(bag.Get(), L"Count", ole::Variant(std::wstring_view(L"many")).Get()), S_OK);
    EXPECT_EQ(As<IPersistPropertyBag>()->Load(bag.Get(), nullptr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(As<IPersistPropertyBag>()->InitNew(), E_UNEXPECTED);
    EXPECT_EQ(TestControl::journal, (Log{"Initialize", "ReadProperties"}));
}

// A control hosting a TestControl, created by class id as a placed inner control is.
class ChildControlTest : public testing::Test {
protected:
    void SetUp() override {
        TestControl::journal.clear();
        ASSERT_EQ(ole::MakeObject(parent), S_OK);
        ASSERT_EQ(parent.As(&object), S_OK);
        ASSERT_EQ(ole::GetProperty(parent->Wrapper(), L"Object", child), S_OK);
    }
    // As a host lets go; the leak check then sees that no cycle keeps any of them alive.
    void TearDown() override {
        child.Reset();
        if (!object) return;
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        object.Reset();
        parent.Reset();
        const Log& journal = TestControl::journal;
        ASSERT_GE(journal.size(), 2u);
        EXPECT_EQ(Log(journal.end() - 2, journal.end()), (Log{"Parent Terminate", "Terminate"}));
    }
    IDispatch* Child() const { return V_DISPATCH(&child.Get()); }
    ComPtr<IOleClientSite> ChildSite() const {
        ComPtr<IOleClientSite> site;
        EXPECT_EQ(support::QueryAs<IOleObject>(Child())->GetClientSite(site.Put()), S_OK);
        return site;
    }
    HRESULT Move(std::vector<float> place) {
        std::vector<VARIANT> arguments;
        for (float value : place) arguments.push_back(ole::FloatArgument(value));
        return ole::CallMethod(parent->Wrapper(), L"Move", arguments, nullptr);
    }

    const support::RegisteredClass creatable{CLSID_TestControl, &ole::CreateInstanceOf<TestControl>};
    ComPtr<ParentControl> parent;
    ComPtr<IOleObject> object;
    Variant child;
};

// Activated, the child covers the whole control and its site answers with the container's ambients.
TEST_F(ChildControlTest, TheChildIsMadeFirstReachedThroughItsWrapperAndDrawnOrShownWhereItSits) {
    EXPECT_EQ(TestControl::journal, (Log{"Initialize", "InitProperties", "Resize 100x50"}));
    ComPtr<IDispatch> extended;
    ASSERT_EQ(support::QueryAs<IOleControlSite>(ChildSite())->GetExtendedControl(extended.Put()), S_OK);
    Variant value;
    ASSERT_EQ(ole::GetProperty(extended.Get(), L"Object", value), S_OK);
    EXPECT_EQ(V_DISPATCH(&value.Get()), Child());

    ASSERT_EQ(ole::PutProperty(parent->Wrapper(), L"Count", Variant(LONG{12}).Get()), S_OK);
    ASSERT_EQ(ole::GetProperty(Child(), L"Count", value), S_OK);
    EXPECT_EQ(V_I4(&value.Get()), 12);
    const ole::Bstr source(L"Child.Source");
    const VARIANT raise[] = {ole::LongArgument(380), ole::TextArgument(source.Get()), ole::TextArgument(source.Get())};
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Raise", raise, nullptr), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(support::TakeErrorInfo().source, L"Child.Source");
    EXPECT_EQ(Move({-5, -5, -5, -5}), E_INVALIDARG);
    EXPECT_EQ(Move({}), DISP_E_BADPARAMCOUNT);

    // Drawn at the control's own pixel size, so that the child's place maps one to one.
    ASSERT_EQ(Move({10, 0, 20, 10}), S_OK);
    support::Canvas canvas(100, 50);
    SIZEL extent{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    const RECTL bounds{0, 0, MulDiv(extent.cx, GetDeviceCaps(canvas.Dc(), LOGPIXELSX), 2540),
                       MulDiv(extent.cy, GetDeviceCaps(canvas.Dc(), LOGPIXELSY), 2540)};
    ASSERT_EQ(support::QueryAs<IViewObject>(object)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(),
                                                          &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(canvas.Dc(), 15, 5), TestControl::kPaintColour);
    for (const POINT outside : {POINT{5, 5}, POINT{40, 30}}) {
        EXPECT_EQ(GetPixel(canvas.Dc(), outside.x, outside.y), RGB(255, 255, 255)) << outside.x;
    }

    auto container = doubles::RecordingContainer::Create();
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), nullptr),
              S_OK);
    HWND parentWindow = nullptr, childWindow = nullptr;
    ASSERT_EQ(support::QueryAs<IOleWindow>(object)->GetWindow(&parentWindow), S_OK);
    ASSERT_EQ(support::QueryAs<IOleWindow>(Child())->GetWindow(&childWindow), S_OK);
    EXPECT_EQ(GetParent(childWindow), parentWindow);
    const RECT bigger{10, 20, 310, 220}, whole{0, 0, 300, 200};
    ASSERT_EQ(support::QueryAs<IOleInPlaceObject>(object)->SetObjectRects(&bigger, &bigger), S_OK);
    const RECT childRect = support::RectIn(childWindow, parentWindow);
    EXPECT_TRUE(EqualRect(&childRect, &whole));

    ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 9, true);
    container->SetAmbientFont(ambient.Get());
    Variant font;
    ASSERT_EQ(ole::GetAmbientProperty(ChildSite().Get(), DISPID_AMBIENT_FONT, font), S_OK);
    EXPECT_EQ(V_DISPATCH(&font.Get()), static_cast<IDispatch*>(ambient.Get()));
    container->SetAmbientFont(nullptr);
}


// An event's arguments as text, each with its type: "Caption/8;42/3;".
std::wstring Texts(const EventSink::Event& event) {
    std::wstring texts;
    for (const auto& value : event.arguments) {
        texts += ole::TextOf(value.Get()).value_or(L"?") + L"/" + std::to_wstring(value.Type()) + L";";
    }
    return texts;
}

// A host's view of a control's outgoing interfaces, with two sinks connected to its events.
class ConnectionPointTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ole::MakeObject<TestControl>(IID_ITestControl, control.PutVoid()), S_OK);
        ASSERT_EQ(control.As(&container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__TestControlEvents, events.Put()), S_OK);
        ASSERT_EQ(events->Advise(first.Get(), &cookies[0]), S_OK);
        ASSERT_EQ(events->Advise(second.Get(), &cookies[1]), S_OK);
    }

    ComPtr<ITestControl> control;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> events;
    ComPtr<EventSink> first = EventSink::Create(DIID__TestControlEvents, "first sink");
    ComPtr<EventSink> second = EventSink::Create(DIID__TestControlEvents, "second sink");
    DWORD cookies[2] = {};
};

TEST_F(ConnectionPointTest, PointsKeepTheControlAliveAndNeverReuseACookie) {
    IConnectionPoint* sentinel = reinterpret_cast<IConnectionPoint*>(0x1);
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &sentinel), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(sentinel, nullptr);
    auto wrongKind = EventSink::Create(IID_IPropertyNotifySink, "sink of another interface");
    DWORD cookie = 77;
    EXPECT_EQ(events->Advise(wrongKind.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookies[0]);
    EXPECT_EQ(first->RefCount(), 4u) << "connection, test, list of the enumerator, handed out";
    for (const CONNECTDATA& connection : {data[0], data[1]}) ComPtr<IUnknown>().Attach(connection.pUnk);
    connections.Reset();
    EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
    EXPECT_EQ(first->RefCount(), 1u);
    EXPECT_EQ(events->Unadvise(cookies[0]), CONNECT_E_NOCONNECTION);
    DWORD third = 0;
    ASSERT_EQ(events->Advise(first.Get(), &third), S_OK);
    EXPECT_TRUE(third != cookies[0] && third != cookies[1]) << "a new connection never reuses a cookie";

    // Only the last reference, held through a point, ends the control and its connections.
    const long live = ole::Module::ObjectCount();
    control.Reset();
    container.Reset();
    EXPECT_EQ(ole::Module::ObjectCount(), live);
    EXPECT_EQ(events.Reset(), 0u);
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1);
}

TEST_F(ConnectionPointTest, EverySinkGetsItsOwnArgumentsAndOneMayTearEverythingDownDuringTheEvent) {
    first->OnEvent([](DISPID, DISPPARAMS& parameters) {
        for (UINT i = 0; i < parameters.cArgs; ++i) VariantClear(&parameters.rgvarg[i]);
    });
    const ole::Bstr name(L"Caption");
    ASSERT_EQ(control->FireChanged(name.Get(), ole::Variant(LONG{42}).Get()), S_OK);
    ASSERT_EQ(second->Events().size(), 1u);
    EXPECT_EQ(Texts(second->Events()[0]), L"Caption/8;42/3;");

    ITestControl* raw = control.Get();
    first->OnEvent([&](DISPID, DISPPARAMS&) {
        EXPECT_EQ(events->Unadvise(cookies[0]), S_OK);
        EXPECT_EQ(events->Unadvise(cookies[1]), S_OK);
        events.Reset();
        container.Reset();
        control.Reset();
    });
    const long live = ole::Module::ObjectCount();
    EXPECT_EQ(raw->FireClicked(), S_OK);
    EXPECT_EQ(second->Events().size(), 2u) << "the snapshot still reached the second sink";
    EXPECT_EQ(ole::Module::ObjectCount(), live - 1) << "the control died after the event";
}

// Arguments given away reach a lone sink as they are, with no copy made; with two sinks each gets
// copies, so what the first leaves in its slots does not reach the second.
TEST(GivenEventArgumentsTest, ALoneSinkIsHandedThemAndSeveralSinksGetCopies) {
    const ComPtr<EventSink> owner = EventSink::Create(DIID__TestControlEvents, "point's owner");
    ole::ConnectionPoint point(owner.Get(), DIID__TestControlEvents);
    const ComPtr<EventSink> sinks[] = {EventSink::Create(DIID__TestControlEvents, "first sink"),
                                       EventSink::Create(DIID__TestControlEvents, "second sink")};
    std::vector<BSTR> handed;
    sinks[0]->OnEvent([&](DISPID, DISPPARAMS& parameters) {
        handed.push_back(V_BSTR(&parameters.rgvarg[1]));
        VariantClear(&parameters.rgvarg[1]);
    });
    DWORD cookie = 0;
    for (const ComPtr<EventSink>& sink : sinks) {
        ASSERT_EQ(point.Advise(sink.Get(), &cookie), S_OK);
        ole::Variant given[] = {ole::Variant(std::wstring_view(L"Caption")), ole::Variant(LONG{42})};
        const BSTR name = V_BSTR(&given[0].Get());
        ASSERT_EQ(ole::FireDispatchEventGiving(point, 2, given), S_OK);
        EXPECT_EQ(handed.back() == name, sink == sinks[0]) << "handed over to a lone sink only";
    }
    EXPECT_EQ(Texts(sinks[1]->Events().at(0)), L"Caption/8;42/3;");
    EXPECT_EQ(Texts(sinks[0]->Events().at(0)), L"Caption/8;42/3;") << "in natural order";
    point.DisconnectAll();
}

// The first subscription ends the second inside an event the source is already delivering to
// both; connecting again replaces a subscription rather than adding one.
TEST_F(ConnectionPointTest, AnEndedSubscriptionHearsNothingMoreEvenOfAnEventUnderWay) {
    struct Receiver final : ole::EventReceiver {
        HRESULT OnEvent(UINT, DISPPARAMS&) override {
            ++heard;
            if (inside) inside();
            return S_OK;
        }
        std::function<void()> inside;
        int heard = 0;
    } ending, ended;
    ole::EventConnection one, two;
    for (int twice = 0; twice < 2; ++twice) {
        ASSERT_EQ(one.Connect(control.Get(), DIID__TestControlEvents, ending), S_OK);
    }
    ASSERT_EQ(two.Connect(control.Get(), DIID__TestControlEvents, ended), S_OK);
    ending.inside = [&] { two.Disconnect(); };
    ASSERT_EQ(control->FireClicked(), S_OK);
    EXPECT_EQ(ending.heard, 1);
    EXPECT_EQ(ended.heard, 0);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(events->EnumConnections(connections.Put()), S_OK);
    CONNECTDATA data[4] = {};
    ULONG fetched = 0;
    connections->Next(4, data, &fetched);
    for (ULONG i = 0; i < fetched; ++i) ComPtr<IUnknown>().Attach(data[i].pUnk);
    EXPECT_EQ(fetched, 3u) << "the fixture's sinks and the first subscription; the ended one is gone";
}

TEST(PropertyNotifyConnectionTest, ReportsChangesUntilDisconnectedEvenFromItsOwnCallback) {
    auto font = support::QueryAs<IFont>(support::MakeFont(L"Tahoma", 8));
    std::vector<DISPID> changes;
    auto connection = std::make_unique<ole::PropertyNotifyConnection>();
    const auto onChanged = [&](DISPID id) {
        changes.push_back(id);
        if (id == DISPID_FONT_SIZE) connection.reset();
    };
    ASSERT_EQ(connection->Connect(font.Get(), onChanged), S_OK);
    font->put_Bold(TRUE);
    font->put_Size({120000, 0});
    font->put_Italic(TRUE);
    EXPECT_EQ(changes, (std::vector<DISPID>{DISPID_FONT_BOLD, DISPID_FONT_SIZE}));

    ole::PropertyNotifyConnection plain;
    EXPECT_EQ(plain.Connect(support::StreamOf({}).Get(), [](DISPID) {}), E_NOINTERFACE);
    EXPECT_FALSE(plain.IsConnected());
}

}  // namespace
