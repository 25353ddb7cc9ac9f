#pragma once

#include "ole/com_object.h"
#include "ole/control.h"

#include "test_control_h.h"

namespace runtime_tests {

// {6B3A3A10-5C1E-4F7B-9D55-1A2B3C4D5E09}
inline constexpr CLSID kParentControlClass = {
    0x6b3a3a10, 0x5c1e, 0x4f7b, {0x9d, 0x55, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x09}};

// A control that hosts one TestControl as its child and keeps it covering its whole surface, as
// a control with a placed inner control does. It writes its own notifications to the test
// control journal, prefixed "Parent ".
class ParentControl final : public ole::ComObject<ParentControl, ole::ControlOf<ParentControl>> {
public:
    static constexpr COLORREF kPaintColour = RGB(255, 255, 255);

    ParentControl() noexcept = default;
    HRESULT FinalConstruct() noexcept;

    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    static const CLSID& ClassId() noexcept { return kParentControlClass; }
    static const IID& DefaultSourceId() noexcept { return DIID__TestControlEvents; }

    IDispatch* Wrapper() const noexcept { return wrapper_.Get(); }

private:
    ~ParentControl() override { EndControl(); }

    HRESULT Initialize() override;
    void Resize() override;
    void Terminate() override;
    void Paint(HDC dc, const RECT& bounds) override;

    ole::ComPtr<IDispatch> wrapper_;
};

}  // namespace runtime_tests
