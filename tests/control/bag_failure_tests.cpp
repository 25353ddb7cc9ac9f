#include "tests/control/control_fixture.h"

#include "tests/doubles/recording_property_bag.h"

#include <ocidl.h>

namespace {

using ole::ComPtr;

constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x800A000D);

// Only an absent key (the bag's E_INVALIDARG) takes its default; every other failing read
// reaches the container, and a stored font the bag cannot give is a type mismatch.
TEST_F(ControlTest, EveryFailingBagReadButAnAbsentKeyFailsTheLoad) {
    const struct {
        const wchar_t* key;
        HRESULT injected;
        HRESULT expected;
    } rows[] = {
        {L"AutoWriteProperties", E_FAIL, E_FAIL},
        {L"Enabled", E_OUTOFMEMORY, E_OUTOFMEMORY},
        {L"HideCustomItems", E_ACCESSDENIED, E_ACCESSDENIED},
        {L"Font", E_FAIL, E_FAIL},
        {L"Font", DISP_E_TYPEMISMATCH, kTypeMismatch},
        {L"Font", E_INVALIDARG, S_OK},
    };
    for (const auto& row : rows) {
        MakeControl(false);
        ComPtr<doubles::RecordingPropertyBag> bag = doubles::RecordingPropertyBag::Create();
        bag->FailRead(row.key, row.injected);
        EXPECT_EQ(static_cast<IPersistPropertyBag*>(control.Get())->Load(bag.Get(), nullptr), row.expected)
            << testing::PrintToString(std::wstring(row.key)) << " failing with " << std::hex << row.injected;
    }
}

}  // namespace
