#include "tests/runtime/test_parent_control.h"

#include "ole/arguments.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/runtime/test_control.h"

namespace runtime_tests {

HRESULT ParentControl::FinalConstruct() noexcept {
    RETURN_IF_FAILED(AddChildControl(CLSID_TestControl, wrapper_));
    return StartControl();
}

std::span<const ole::InterfaceEntry> ParentControl::InterfaceTable() noexcept {
    static constexpr auto table = ole::ControlInterfaces<ParentControl>();
    return table;
}

HRESULT ParentControl::Initialize() {
    TestControl::Note(wrapper_ ? "Parent Initialize with child" : "Parent Initialize");
    return S_OK;
}

void ParentControl::Resize() {
    const SIZE size = ClientSize();
    // The child covers the whole control: left a single, the others variants.
    const VARIANT arguments[] = {ole::FloatArgument(0.0f), ole::ShortArgument(0),
                                 ole::FloatArgument(static_cast<float>(size.cx)),
                                 ole::FloatArgument(static_cast<float>(size.cy))};
    ole::CallMethod(wrapper_.Get(), L"Move", arguments, nullptr);
}

void ParentControl::Terminate() {
    TestControl::Note(wrapper_ ? "Parent Terminate with child" : "Parent Terminate");
}

void ParentControl::Paint(HDC dc, const RECT& bounds) {
    HBRUSH brush = CreateSolidBrush(kPaintColour);
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
}

}  // namespace runtime_tests
