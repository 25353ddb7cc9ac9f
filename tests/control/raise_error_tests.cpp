#include "control/raise_error.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/error_info.h"
#include "ole/variant.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct RaisedError {
    ole::Bstr source;
    ole::Bstr description;
    ole::Bstr helpFile;
    DWORD helpContext = 0;
};

RaisedError PendingError() {
    RaisedError raised;
    ole::ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.Put()), S_OK);
    if (info) {
        info->GetSource(raised.source.Out());
        info->GetDescription(raised.description.Out());
        info->GetHelpFile(raised.helpFile.Out());
        info->GetHelpContext(&raised.helpContext);
    }
    return raised;
}

TEST(RaiseErrorTest, TheControlsOwnErrorsReachHostsUnderTheirNumbersAndTheLibrarysName) {
    EXPECT_EQ(RaiseError(35603, L"Invalid Key"), static_cast<HRESULT>(0x800A8B13));
    RaisedError raised = PendingError();
    // The code runs inside control_tests.exe here; in the library the source is Inspecta2.Inspecta.
    EXPECT_EQ(raised.source, L"control_tests.Inspecta");
    EXPECT_EQ(raised.description, L"Invalid Key");

    EXPECT_EQ(RaiseError(380, L"Invalid property value"), static_cast<HRESULT>(0x800A017C));
    EXPECT_EQ(PendingError().description, L"Invalid property value");
}

TEST(RaiseErrorTest, PlaceholdersTakeTheirArgumentsHighestFirst) {
    std::vector<ole::Variant> owned;
    for (LONG i = 1; i <= 12; ++i) owned.emplace_back(LONG{100 + i});
    std::vector<VARIANT> arguments;
    for (const auto& argument : owned) arguments.push_back(argument.Get());

    EXPECT_EQ(FormatErrorDescription(L"%1 and %2, %1 again", {arguments.data(), 2}), L"101 and 102, 101 again");
    EXPECT_EQ(FormatErrorDescription(L"[%12] [%1]", arguments), L"[112] [101]");
    EXPECT_EQ(FormatErrorDescription(L"%1 %2", {}), L"%1 %2") << "no arguments: unchanged";
    EXPECT_EQ(FormatErrorDescription(L"%3", {arguments.data(), 2}), L"%3") << "no third argument";

    const ole::Variant text(std::wstring_view(L"Caption"));
    const ole::Variant yes(true);
    const VARIANT mixed[] = {text.Get(), yes.Get()};
    EXPECT_EQ(FormatErrorDescription(L"%1=%2", mixed), L"Caption=True");
}

TEST(RaiseErrorTest, NumberZeroRaisesThePendingErrorAgainUnderTheControlsSource) {
    ole::PublishErrorInfo(L"Client.Object", L"Disk full", L"help.chm", 42);
    EXPECT_EQ(RaiseError(0, L"ignored"), E_FAIL);
    ole::PublishErrorInfo(L"Client.Object", L"Disk full", L"help.chm", 42);
    EXPECT_EQ(RaiseError(0, L"", {}, ole::ControlErrorHResult(61)), ole::ControlErrorHResult(61));
    const RaisedError raised = PendingError();
    EXPECT_EQ(raised.source, L"control_tests.Inspecta");
    EXPECT_EQ(raised.description, L"Disk full");
    EXPECT_EQ(raised.helpFile, L"help.chm");
    EXPECT_EQ(raised.helpContext, 42u);
}

TEST(RaiseErrorTest, AnErrorWithoutADescriptionGetsAutomationsText) {
    EXPECT_EQ(RaiseError(1000, L""), ole::ControlErrorHResult(1000));
    EXPECT_EQ(PendingError().description, L"Application-defined or object-defined error");
}

}  // namespace
