#include "ole/arguments.h"
#include "ole/late_bound.h"
#include "tests/doubles/recording_container.h"
#include "tests/ole/test_controls.h"
#include "tests/support/canvas.h"
#include "tests/support/com_helpers.h"

namespace {

using ole::ComPtr;
using ole::Variant;
using Journal = std::vector<std::string>;

// A control hosting a TestControl, created by class id as a placed inner control is.
class ChildControlTest : public testing::Test {
protected:
    void SetUp() override {
        TestControl::Journal().clear();
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
        const Journal& journal = TestControl::Journal();
        ASSERT_GE(journal.size(), 2u);
        EXPECT_EQ(Journal(journal.end() - 2, journal.end()), (Journal{"Parent Terminate", "Terminate"}));
    }
    IDispatch* Child() const { return V_DISPATCH(&child.Get()); }
    template <typename Interface>
    ComPtr<Interface> ChildSiteAs() const {
        ComPtr<IOleClientSite> site;
        EXPECT_EQ(support::QueryAs<IOleObject>(Child())->GetClientSite(site.Put()), S_OK);
        return support::QueryAs<Interface>(site);
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

TEST_F(ChildControlTest, TheChildIsMadeFirstAndReachedThroughItsWrapperAndDrawnWhereItSits) {
    EXPECT_EQ(TestControl::Journal(), (Journal{"Initialize", "InitProperties", "Resize 100x50"}));
    ComPtr<IDispatch> extended;
    ASSERT_EQ(ChildSiteAs<IOleControlSite>()->GetExtendedControl(extended.Put()), S_OK);
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
    ASSERT_EQ(support::QueryAs<IViewObject>(object)->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr,
                                                          canvas.Dc(), &bounds, nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(GetPixel(canvas.Dc(), 15, 5), TestControl::kPaintColour);
    for (const POINT outside : {POINT{5, 5}, POINT{40, 30}}) {
        EXPECT_EQ(GetPixel(canvas.Dc(), outside.x, outside.y), RGB(255, 255, 255)) << outside.x;
    }
}

TEST_F(ChildControlTest, ActivationShowsTheChildOverTheWholeControlWithTheContainersAmbients) {
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
    DISPPARAMS none{};
    Variant font;
    ASSERT_EQ(ChildSiteAs<IDispatch>()->Invoke(DISPID_AMBIENT_FONT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                               font.Out(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_DISPATCH(&font.Get()), static_cast<IDispatch*>(ambient.Get()));
    container->SetAmbientFont(nullptr);
}

}  // namespace
