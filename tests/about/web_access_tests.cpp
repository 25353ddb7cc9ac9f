#include "about/web_access.h"

#include "about/link_string.h"

#include "tests/about/about_doubles.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

using doubles::RecordingDesktop;

class OpenLinkTest : public testing::Test {
protected:
    void Open(const std::wstring& target) {
        about::OpenLink(desktop, owner, target, application, L"Version 2.0 (Build 37)");
    }

    void ExpectOneMessage(const std::wstring& text) {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].text, text);
        EXPECT_EQ(desktop.messages[0].title, L"Web Access");
        EXPECT_EQ(desktop.messages[0].style, static_cast<UINT>(MB_ICONHAND));
        EXPECT_EQ(desktop.messages[0].owner, owner);
    }

    doubles::CallLog log;
    RecordingDesktop desktop{&log};
    doubles::FakeApplicationInfo application{&log};
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
};

TEST_F(OpenLinkTest, TargetIsExpandedOnlyWhereTheTitleAsksAndOnlySpacesAreEncoded) {
    const struct {
        const wchar_t* target;
        const char* opened;
    } cases[] = {
        {L"mailto:s@x.example?subject=%APP%", "mailto:s@x.example?subject=Viewer%20Version%202.0%20(Build%2037)"},
        {L"?a=%APP%&b=%app%&c=%APP%",
         "?a=Viewer%20Version%202.0%20(Build%2037)&b=%app%&c=Viewer%20Version%202.0%20(Build%2037)"},
        {L"http://x.example/a b/(c)?d=\"e\"&f#g", "http://x.example/a%20b/(c)?d=\"e\"&f#g"},
    };
    for (const auto& c : cases) Open(c.target);
    ASSERT_EQ(desktop.shellCalls.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const RecordingDesktop::ShellCall& call = desktop.shellCalls[i];
        EXPECT_EQ(call.file, cases[i].opened);
        EXPECT_EQ(call.owner, owner);
        EXPECT_EQ(call.verb + "|" + call.parameters + "|" + call.directory, "Open||");
        EXPECT_EQ(call.showCommand, SW_SHOW);
    }
    EXPECT_TRUE(desktop.messages.empty());
    // A title holding the placeholder is not expanded again.
    EXPECT_EQ(about::ExpandLinkTarget(L"%APP%/%APP%", L"%APP%", L"v"), L"%APP% v/%APP% v");
}

TEST_F(OpenLinkTest, ShellResultOf32OrLessIsToldWithItsCode) {
    desktop.shellResult = 33;
    Open(L"x");
    EXPECT_TRUE(desktop.messages.empty());
    desktop.shellResult = 32;
    Open(L"");
    ASSERT_EQ(desktop.shellCalls.size(), 2u);
    ExpectOneMessage(L"Unable to run web document (32)");
}

TEST_F(OpenLinkTest, CaughtFailureIsToldWithItsMessageAndNumberAndTheShellResultIsIgnored) {
    application.titleResult = E_ACCESSDENIED;
    desktop.shellResult = 2;
    Open(L"x?s=%APP% now");
    // The steps after the failing one still run: the target goes out unexpanded but encoded.
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    EXPECT_EQ(desktop.shellCalls[0].file, "x?s=%APP%%20now");
    ExpectOneMessage(about::ErrorMessageWithNumber(E_ACCESSDENIED));
    EXPECT_NE(desktop.messages[0].text.find(L" (-2147024891)"), std::wstring::npos);
    EXPECT_GT(desktop.messages[0].text.size(), std::wstring(L" (-2147024891)").size());
    EXPECT_EQ(log, (doubles::CallLog{"app.Title", "shell.Open", "shell.Message"}));
    // Automation errors carry the number hosts see.
    EXPECT_NE(about::ErrorMessageWithNumber(static_cast<HRESULT>(0x800A0035)).find(L" (53)"), std::wstring::npos);
}

}  // namespace
