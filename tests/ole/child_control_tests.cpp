#include "ole/arguments.h"
#include "ole/bstr.h"
#include "ole/class_factory.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/doubles/recording_container.h"
#include "tests/ole/test_controls.h"
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
        const ole::ServedClass served[] = {{&CLSID_TestControl, &ole::CreateInstanceOf<TestControl>}};
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(ole::GetClassObject(served, CLSID_TestControl, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestControl, factory.Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &registration),
                  S_OK);
        ASSERT_EQ(ole::MakeObject(parent), S_OK);
        ASSERT_EQ(parent.As(&object), S_OK);
        ASSERT_NE(parent->Wrapper(), nullptr);
        ASSERT_EQ(ole::GetProperty(parent->Wrapper(), L"Object", child), S_OK);
        ASSERT_EQ(child.Type(), VT_DISPATCH);
    }
    void TearDown() override { CoRevokeClassObject(registration); }

    IDispatch* Child() const { return V_DISPATCH(&child.Get()); }
    template <typename Interface>
    ComPtr<Interface> ChildAs() const {
        ComPtr<Interface> result;
        EXPECT_EQ(Child()->QueryInterface(__uuidof(Interface), result.PutVoid()), S_OK);
        return result;
    }
    ComPtr<IOleClientSite> ChildSite() const {
        ComPtr<IOleClientSite> site;
        EXPECT_EQ(ChildAs<IOleObject>()->GetClientSite(site.Put()), S_OK);
        return site;
    }
    HRESULT Move(float left, float top, float width, float height) {
        const VARIANT arguments[] = {ole::FloatArgument(left), ole::FloatArgument(top), ole::FloatArgument(width),
                                     ole::FloatArgument(height)};
        return ole::CallMethod(parent->Wrapper(), L"Move", arguments, nullptr);
    }

    void TearDownLikeAHost() {
        child.Reset();
        const long live = ole::Module::ObjectCount();
        EXPECT_EQ(object->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_EQ(object->SetClientSite(nullptr), S_OK);
        EXPECT_EQ(container->RefCount(), 1u);
        object.Reset();
        parent.Reset();
        // The parent, its wrapper, the child's site and the child: no cycle keeps any alive.
        EXPECT_EQ(ole::Module::ObjectCount(), live - 4);
        const Journal& journal = TestControl::Journal();
        EXPECT_EQ(Journal(journal.end() - 2, journal.end()), (Journal{"Parent Terminate with child", "Terminate"}))
            << "the child goes after the parent's Terminate";
    }

    DWORD registration = 0;
    ComPtr<ParentControl> parent;
    ComPtr<IOleObject> object;
    Variant child;
    ComPtr<RecordingContainer> container = RecordingContainer::Create();
};

TEST_F(ChildControlTest, ChildIsMadeFirstAndCallsAndErrorsPassThroughTheWrapper) {
    EXPECT_EQ(TestControl::Journal(),
              (Journal{"Initialize", "InitProperties", "Resize 100x50", "Parent Initialize with child"}));
    ComPtr<IOleControlSite> controlSite;
    ASSERT_EQ(ChildSite().As(&controlSite), S_OK) << "the child was given its site";
    ComPtr<IDispatch> extended;
    ASSERT_EQ(controlSite->GetExtendedControl(extended.Put()), S_OK);
    Variant same;
    ASSERT_EQ(ole::GetProperty(extended.Get(), L"Object", same), S_OK);
    EXPECT_EQ(V_DISPATCH(&same.Get()), Child());
    same.Reset();
    extended.Reset();
    controlSite.Reset();

    const Variant caption(std::wstring_view(L"through the wrapper"));
    ASSERT_EQ(ole::PutProperty(parent->Wrapper(), L"Caption", caption.Get()), S_OK);
    Variant read;
    ASSERT_EQ(ole::GetProperty(Child(), L"Caption", read), S_OK);
    EXPECT_STREQ(V_BSTR(&read.Get()), L"through the wrapper");
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
    ComPtr<IOleWindow> window;
    ASSERT_EQ(object.As(&window), S_OK);
    ASSERT_EQ(window->GetWindow(&parentWindow), S_OK);
    ASSERT_EQ(ChildAs<IOleWindow>()->GetWindow(&childWindow), S_OK);
    ASSERT_TRUE(IsWindow(childWindow));
    EXPECT_EQ(GetParent(childWindow), parentWindow);
    // The container resizes the control; its Resize moves the child over all of it.
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    const RECT bigger{10, 20, 310, 220};
    ASSERT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    const RECT childRect = support::RectIn(childWindow, parentWindow);
    EXPECT_EQ(childRect.left, 0);
    EXPECT_EQ(childRect.top, 0);
    EXPECT_EQ(childRect.right, 300);
    EXPECT_EQ(childRect.bottom, 200);
    const Journal& journal = TestControl::Journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "Show"), journal.end()) << "the child shown";

    ComPtr<IFontDisp> ambient = support::MakeFont(L"Arial", 9, true);
    container->SetAmbientFont(ambient.Get());
    ComPtr<IDispatch> ambients;
    ASSERT_EQ(ChildSite().As(&ambients), S_OK);
    DISPPARAMS none{};
    Variant font;
    ASSERT_EQ(ambients->Invoke(DISPID_AMBIENT_FONT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, font.Out(), nullptr,
                               nullptr),
              S_OK);
    EXPECT_EQ(V_DISPATCH(&font.Get()), static_cast<IDispatch*>(ambient.Get())) << "the outer container's ambients";
    container->SetAmbientFont(nullptr);
    font.Reset();
    ambients.Reset();
    window.Reset();
    inPlace.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(childWindow));
    EXPECT_FALSE(IsWindow(parentWindow));
}

TEST_F(ChildControlTest, DrawingTheControlDrawsTheChildWhereItSits) {
    ASSERT_EQ(Move(10, 0, 20, 10), S_OK);
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO format{{sizeof(BITMAPINFOHEADER), 100, -50, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HGDIOBJ previous = SelectObject(memory, CreateDIBSection(memory, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    SIZEL extent{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    ComPtr<IViewObject> view;
    ASSERT_EQ(object.As(&view), S_OK);
    // Drawn at the control's own pixel size, so the child's position maps one to one.
    const RECTL bounds{0, 0, MulDiv(extent.cx, GetDeviceCaps(memory, LOGPIXELSX), 2540),
                       MulDiv(extent.cy, GetDeviceCaps(memory, LOGPIXELSY), 2540)};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(memory, 15, 5), TestControl::kPaintColour) << "the child";
    EXPECT_EQ(GetPixel(memory, 40, 30), ParentControl::kPaintColour) << "the control around it";
    DeleteObject(SelectObject(memory, previous));
    DeleteDC(memory);
    view.Reset();
    TearDownLikeAHost();
}

}  // namespace
}  // namespace runtime_tests
