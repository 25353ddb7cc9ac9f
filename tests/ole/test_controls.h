#pragma once

#include "ole/class_info.h"
#include "ole/com_object.h"
#include "ole/control.h"
#include "ole/dispatch_impl.h"
#include "ole/property_bag.h"

#include "test_control_h.h"

// A small control built on the runtime, as a real control is: its automation surface comes from the test type library,
// its events go out through connection points, and every lifecycle notification it receives is written to the journal.
class TestControl final
    : public ole::ComObject<TestControl, ole::DispatchImpl<ITestControl>, ole::ProvideClassInfoImpl<TestControl>,
                            ole::SupportErrorInfoImpl<ITestControl>, ole::ControlOf<TestControl>> {
public:
    static constexpr COLORREF kPaintColour = RGB(10, 200, 30);

    HRESULT FinalConstruct() noexcept { return StartControl(); }
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return CLSID_TestControl; }
    static const IID& DefaultSourceId() noexcept { return DIID__TestControlEvents; }

    // Every notification of every test control since it was cleared, in order.
    static inline std::vector<std::string> journal;
    static HRESULT Note(std::string entry) { return journal.push_back(std::move(entry)), S_OK; }

    IFACEMETHODIMP get_Count(LONG* value) override { return value ? *value = count_, S_OK : E_POINTER; }
    IFACEMETHODIMP put_Count(LONG value) override;
    IFACEMETHODIMP Raise(LONG number, BSTR source, BSTR description) override;
    IFACEMETHODIMP FireClicked() override { return FireEvent(1); }
    IFACEMETHODIMP FireChanged(BSTR name, VARIANT value) override;
    IFACEMETHODIMP get_Font(IFontDisp** value) override { return font_.CopyTo(value); }

private:
    ~TestControl() override { EndControl(); }

    HRESULT Initialize() override { return Note("Initialize"); }
    HRESULT InitProperties() override;
    HRESULT ReadProperties(IPropertyBag* bag) override;
    HRESULT WriteProperties(IPropertyBag* bag) override {
        return ole::WriteBagValue(bag, L"Count", ole::Variant(count_).Get());
    }
    void Resize() override {
        Note("Resize " + std::to_string(ClientSize().cx) + "x" + std::to_string(ClientSize().cy));
    }
    void Show() override { Note("Show"); }
    void Terminate() override { Note("Terminate"); }
    void Paint(HDC dc, const RECT& bounds) override;

    LONG count_ = 0;
    ole::ComPtr<IFontDisp> font_;
};

inline constexpr CLSID kParentControlClass = {
    0x6b3a3a10, 0x5c1e, 0x4f7b, {0x9d, 0x55, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x09}};

// A control that hosts one TestControl as its child and keeps it covering its whole surface, as
// a control with a placed inner control does. It paints nothing of its own.
class ParentControl final : public ole::ComObject<ParentControl, ole::ControlOf<ParentControl>> {
public:
    HRESULT FinalConstruct() noexcept;
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept {
        static constexpr auto table = ole::ControlInterfaces<ParentControl>();
        return table;
    }
    static const CLSID& ClassId() noexcept { return kParentControlClass; }
    static const IID& DefaultSourceId() noexcept { return DIID__TestControlEvents; }

    IDispatch* Wrapper() const noexcept { return wrapper_.Get(); }

private:
    ~ParentControl() override { EndControl(); }

    void Resize() override;
    void Terminate() override { TestControl::Note("Parent Terminate"); }

    ole::ComPtr<IDispatch> wrapper_;
};
