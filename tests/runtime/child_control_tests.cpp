#include "tests/runtime/test_parent_control.h"

#include "ole/bstr.h"
#include "ole/class_factory.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/doubles/recording_container.h"
#include "tests/runtime/test_control.h"

#include <gtest/gtest.h>

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
        container = RecordingContainer::Create();
    }
    void TearDown() override { CoRevokeClassObject(registration); }

    IDispatch* Child() const { return V_DISPATCH(&child.Get()); }
    HWND ChildWindow() const {
        ComPtr<IOleWindow> window;
        HWND handle = nullptr;
        if (SUCCEEDED(Child()->QueryInterface(IID_IOleWindow, window.PutVoid()))) window->GetWindow(&handle);
        return handle;
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
    }

    DWORD registration = 0;
    ComPtr<ParentControl> parent;
    ComPtr<IOleObject> object;
    Variant child;
    ComPtr<RecordingContainer> container;
};

TEST_F(ChildControlTest, ChildIsMadeFirstAndCallsAndErrorsPassThroughTheWrapper) {
    EXPECT_EQ(TestControl::Journal(),
              (Journal{"Initialize", "InitProperties", "Resize 100x50", "Parent Initialize with child"}));
    ComPtr<IOleObject> childObject;
    ASSERT_EQ(Child()->QueryInterface(IID_IOleObject, childObject.PutVoid()), S_OK);
    ComPtr<IOleClientSite> site;
    ASSERT_EQ(childObject->GetClientSite(site.Put()), S_OK);
    ComPtr<IOleControlSite> controlSite;
    ASSERT_TRUE(site && SUCCEEDED(site.As(&controlSite))) << "the child was given its site";
    ComPtr<IDispatch> extended;
    ASSERT_EQ(controlSite->GetExtendedControl(extended.Put()), S_OK);
    Variant same;
    ASSERT_EQ(ole::GetProperty(extended.Get(), L"Object", same), S_OK);
    EXPECT_EQ(V_DISPATCH(&same.Get()), Child());
    same.Reset();
    extended.Reset();
    controlSite.Reset();
    site.Reset();
    childObject.Reset();

    const Variant caption(std::wstring_view(L"through the wrapper"));
    ASSERT_EQ(ole::PutProperty(parent->Wrapper(), L"Caption", caption.Get()), S_OK);
    Variant read;
    ASSERT_EQ(ole::GetProperty(Child(), L"Caption", read), S_OK);
    EXPECT_STREQ(V_BSTR(&read.Get()), L"through the wrapper");
    // The child's errors pass through unchanged.
    const Variant arguments[] = {Variant(LONG{380}), Variant(std::wstring_view(L"Child.Source")),
                                 Variant(std::wstring_view(L"Invalid property value"))};
    const VARIANT raw[] = {arguments[0].Get(), arguments[1].Get(), arguments[2].Get()};
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Raise", raw, nullptr), static_cast<HRESULT>(0x800A017C));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    ole::Bstr source;
    info->GetSource(source.Out());
    EXPECT_EQ(std::wstring(source.View()), L"Child.Source");
    info.Reset();
    // Move refuses negative sizes and wrong argument counts.
    VARIANT negative[4];
    for (VARIANT& v : negative) {
        V_VT(&v) = VT_R4;
        V_R4(&v) = -5;
    }
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Move", negative, nullptr), E_INVALIDARG);
    EXPECT_EQ(ole::CallMethod(parent->Wrapper(), L"Move", {}, nullptr), DISP_E_BADPARAMCOUNT);

    TearDownLikeAHost();
    EXPECT_EQ(TestControl::Journal().back(), "Terminate") << "the child goes after the parent's Terminate";
    EXPECT_EQ(TestControl::Journal()[TestControl::Journal().size() - 2], "Parent Terminate with child");
}

TEST_F(ChildControlTest, ActivationShowsTheChildCoveringTheControl) {
    ASSERT_EQ(object->SetClientSite(container.Get()), S_OK);
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, container.Get(), 0, container->Window(), nullptr), S_OK);
    HWND parentWindow = nullptr;
    ComPtr<IOleWindow> window;
    ASSERT_EQ(object.As(&window), S_OK);
    ASSERT_EQ(window->GetWindow(&parentWindow), S_OK);
    HWND childWindow = ChildWindow();
    ASSERT_TRUE(IsWindow(childWindow));
    EXPECT_EQ(GetParent(childWindow), parentWindow);

    // The container resizes the control; its Resize moves the child over all of it.
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(object.As(&inPlace), S_OK);
    const RECT bigger{10, 20, 310, 220};
    ASSERT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    RECT childRect{};
    GetWindowRect(childWindow, &childRect);
    MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&childRect), 2);
    EXPECT_EQ(childRect.left, 0);
    EXPECT_EQ(childRect.top, 0);
    EXPECT_EQ(childRect.right, 300);
    EXPECT_EQ(childRect.bottom, 200);
    const Journal& journal = TestControl::Journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), "Show"), journal.end()) << "the child shown";

    // The child's ambient properties are the outer container's.
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), CY{{90000, 0}}, FW_BOLD, ANSI_CHARSET,
                         FALSE, FALSE, FALSE};
    ComPtr<IFontDisp> ambient;
    ASSERT_EQ(OleCreateFontIndirect(&description, IID_IFontDisp, ambient.PutVoid()), S_OK);
    container->SetAmbientFont(ambient.Get());
    ComPtr<IOleObject> childObject;
    ASSERT_EQ(Child()->QueryInterface(IID_IOleObject, childObject.PutVoid()), S_OK);
    ComPtr<IOleClientSite> site;
    ASSERT_EQ(childObject->GetClientSite(site.Put()), S_OK);
    ComPtr<IDispatch> ambients;
    ASSERT_EQ(site.As(&ambients), S_OK);
    DISPPARAMS none{};
    Variant font;
    ASSERT_EQ(ambients->Invoke(DISPID_AMBIENT_FONT, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, font.Out(), nullptr,
                               nullptr),
              S_OK);
    EXPECT_EQ(V_DISPATCH(&font.Get()), static_cast<IDispatch*>(ambient.Get()));
    container->SetAmbientFont(nullptr);
    font.Reset();
    ambients.Reset();
    site.Reset();
    childObject.Reset();
    window.Reset();
    inPlace.Reset();
    TearDownLikeAHost();
    EXPECT_FALSE(IsWindow(childWindow));
    EXPECT_FALSE(IsWindow(parentWindow));
}

TEST_F(ChildControlTest, DrawingTheControlDrawsTheChildWhereItSits) {
    VARIANT arguments[4];
    const float values[] = {10, 0, 20, 10};
    for (int i = 0; i < 4; ++i) {
        V_VT(&arguments[i]) = VT_R4;
        V_R4(&arguments[i]) = values[i];
    }
    ASSERT_EQ(ole::CallMethod(parent->Wrapper(), L"Move", arguments, nullptr), S_OK);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 50);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SIZEL extent{};
    ASSERT_EQ(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    ComPtr<IViewObject> view;
    ASSERT_EQ(object.As(&view), S_OK);
    // Drawn at the control's own pixel size, so the child's position maps one to one.
    SIZEL pixels{MulDiv(extent.cx, GetDeviceCaps(memory, LOGPIXELSX), 2540),
                 MulDiv(extent.cy, GetDeviceCaps(memory, LOGPIXELSY), 2540)};
    const RECTL bounds{0, 0, pixels.cx, pixels.cy};
    ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(memory, 15, 5), TestControl::kPaintColour) << "the child";
    EXPECT_EQ(GetPixel(memory, 40, 30), ParentControl::kPaintColour) << "the control around it";
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    view.Reset();
    TearDownLikeAHost();
}

}  // namespace
}  // namespace runtime_tests
