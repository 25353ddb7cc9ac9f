#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/doubles/recording_container.h"
#include "tests/ole/test_controls.h"
#include "tests/support/canvas.h"
#include "tests/support/com_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace runtime_tests {
namespace {

using doubles::RecordingContainer;
using ole::ComPtr;
using ole::Variant;
using Journal = std::vector<std::string>;

// A control hosting a child control, created by class id through the class object the test
// registers, as a placed inner control is.
class ChildControlTest : public testing::Test {
protected:
    void SetUp() override {
        TestControl::Journal().clear();
        ASSERT_EQ(ole::MakeObject(parent), S_OK);
        ASSERT_EQ(parent.As(&object), S_OK);
        ASSERT_NE(parent->Wrapper(), nullptr);
        ASSERT_EQ(ole::GetProperty(parent->Wrapper(), L"Object", child), S_OK);
        ASSERT_EQ(child.Type(), VT_DISPATCH);
    }
    IDispatch* Child() const { return V_DISPATCH(&child.Get()); }
    template <typename Interface>
    ComPtr<Interface> ChildAs() const {
        return support::QueryAs<Interface>(Child());
    }
    template <typename Interface>
    ComPtr<Interface> ChildSiteAs() const {
        ComPtr<IOleClientSite> site;
        EXPECT_EQ(ChildAs<IOleObject>()->GetClientSite(site.Put()), S_OK);
        return support::QueryAs<Interface>(site);
    }
    HRESULT Move(float left, float top, float width, float height) {
        const VARIANT arguments[] = {ole::FloatArgument(left), ole::FloatArgument(top), ole::FloatArgument(width),
                                     ole::FloatArgument(height)};
        return ole::CallMethod(parent->Wrapper(), L"Move", arguments, nullptr);
    }

    // The leak check sees that no cycle keeps the parent, its wrapper, the child's site or the child.
    void TearDownLikeAHost() {
        child.Reset();
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        object.Reset();
        parent.Reset();
        const Journal& journal = TestControl::Journal();
        EXPECT_EQ(Journal(journal.end() - 2, journal.end()), (Journal{"Parent Terminate with child", "Terminate"}))
            << "the child goes after the parent's Terminate";
    }

    const RegisteredTestControlClass creatable;
    ComPtr<ParentControl> parent;
    ComPtr<IOleObject> object;
    Variant child;
    ComPtr<RecordingContainer> container = RecordingContainer::Create();
};

TEST_F(ChildControlTest, ChildIsMadeFirstAndCallsAndErrorsPassThroughTheWrapper) {
    EXPECT_EQ(TestControl::Journal(),
              (Journal{"Initialize", "InitProperties", "Resize 100x50", "Parent Initialize with child"}));
    ComPtr<IDispatch> extended;
    ASSERT_EQ(ChildSiteAs<IOleControlSite>()->GetExtendedControl(extended.Put()), S_OK);
    Variant same;
    ASSERT_EQ(ole::GetProperty(extended.Get(), L"Object", same), S_OK);
    EXPECT_EQ(V_DISPATCH(&same.Get()), Child()) << "the child's site hands out a wrapper of the child";
    same.Reset();
    extended.Reset();

    ASSERT_EQ(ole::PutProperty(parent->Wrapper(), L"Count", Variant(LONG{12}).Get()), S_OK);
    Variant read;
    ASSERT_EQ(ole::GetProperty(Child(), L"Count", read), S_OK);
    EXPECT_EQ(V_I4(&read.Get()), 12) << "set through the wrapper";
    const ole::Bstr source(L"Child.Source"), description(L"Invalid property value");
    const VARIANT arguments[] = {ole::LongArgument(380), ole::TextArgument(source.Get()),
                                 ole::TextArgument(description.Get())};
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Raise", arguments, nullptr), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(support::TakeErrorInfo().source, L"Child.Source") << "the child's errors pass through unchanged";
    EXPECT_EQ(Move(-5, -5, -5, -5), E_INVALIDARG);
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Move", {}, nullptr), DISP_E_BADPARAMCOUNT);
    TearDownLikeAHost();
}

TEST_F(ChildControlTest, ActivationShowsTheChildCoveringTheControlWithTheContainersAmbients) {
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), nullptr), S_OK);
    HWND parentWindow = nullptr, childWindow = nullptr;
    auto inPlace = support::QueryAs<IOleInPlaceObject>(object);
    ASSERT_EQ(inPlace->GetWindow(&parentWindow), S_OK);
    ASSERT_EQ(ChildAs<IOleWindow>()->GetWindow(&childWindow), S_OK);
    ASSERT_TRUE(IsWindow(childWindow));
    EXPECT_EQ(GetParent(childWindow), parentWindow);
    // The container resizes the control; its Resize moves the child over all of it.
    const RECT bigger{10, 20, 310, 220}, whole{0, 0, 300, 200};
    ASSERT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    const RECT childRect = support::RectIn(childWindow, parentWindow);
    EXPECT_TRUE(EqualRect(&childRect, &whole));
    const Journal& journal = TestControl::Journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "Show"), journal.end()) << "the child shown";

    ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 9, true);
    container->SetAmbientFont(ambient.Get());
    DISPPARAMS none{};
    Variant font;
    ASSERT_EQ(ChildSiteAs<IDispatch>()->Invoke(DISPID_AMBIENT_FONT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                               font.Out(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_DISPATCH(&font.Get()), static_cast<IDispatch*>(ambient.Get())) << "the outer container's ambients";
    container->SetAmbientFont(nullptr);
    font.Reset();
    inPlace.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(childWindow));
    EXPECT_FALSE(IsWindow(parentWindow));
}

TEST_F(ChildControlTest, DrawingTheControlDrawsTheChildWhereItSits) {
    ASSERT_EQ(Move(10, 0, 20, 10), S_OK);
    support::Canvas canvas(100, 50);
    SIZEL extent{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    auto view = support::QueryAs<IViewObject>(object);
    // Drawn at the control's own pixel size, so the child's position maps one to one.
    const RECTL bounds{0, 0, MulDiv(extent.cx, GetDeviceCaps(canvas.Dc(), LOGPIXELSX), 2540),
                       MulDiv(extent.cy, GetDeviceCaps(canvas.Dc(), LOGPIXELSY), 2540)};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(GetPixel(canvas.Dc(), 15, 5), TestControl::kPaintColour) << "the child";
    EXPECT_EQ(GetPixel(canvas.Dc(), 40, 30), ParentControl::kPaintColour) << "the control around it";
    view.Reset();
    TearDownLikeAHost();
}

}  // namespace
}  // namespace runtime_tests
