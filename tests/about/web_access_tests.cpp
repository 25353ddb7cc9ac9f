#include "about/web_access.h"

#include "tests/about/about_doubles.h"

#include <gtest/gtest.h>

namespace {

using doubles::FakeApplicationInfo;
using doubles::RecordingDesktop;

class OpenLinkTest : public testing::Test {
protected:
    void Open(const std::wstring& target) {
        about::OpenLink(desktop, owner, target, application, L"Version 2.0 (Build 37)");
    }

    doubles::CallLog log;
    RecordingDesktop desktop{&log};
    FakeApplicationInfo application{&log};
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
};

TEST_F(OpenLinkTest, OpensTheExpandedTargetWithTheShellsOpenVerb) {
    Open(L"mailto:support@inspecta.example?subject=%APP%");
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    const RecordingDesktop::ShellCall& call = desktop.shellCalls[0];
    EXPECT_EQ(call.owner, owner);
    EXPECT_EQ(call.verb, "Open");
    EXPECT_EQ(call.file, "mailto:support@inspecta.example?subject=Viewer%20Version%202.0%20(Build%2037)");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.showCommand, 5);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(OpenLinkTest, PlaceholderTwiceIsReplacedTwiceAndOtherCaseIsLeftAlone) {
    application.title = L"My Viewer";
    Open(L"http://x.example/?a=%APP%&b=%app%&c=%APP%");
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    EXPECT_EQ(desktop.shellCalls[0].file,
              "http://x.example/?a=My%20Viewer%20Version%202.0%20(Build%2037)&b=%app%"
              "&c=My%20Viewer%20Version%202.0%20(Build%2037)");
}

TEST_F(OpenLinkTest, OnlySpacesAreEncoded) {
    Open(L"http://x.example/a b/(c)?d=\"e\"&f#g");
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    EXPECT_EQ(desktop.shellCalls[0].file, "http://x.example/a%20b/(c)?d=\"e\"&f#g");
}

TEST_F(OpenLinkTest, ShellResultOf32OrLessIsToldWithItsCode) {
    desktop.shellResult = 33;
    Open(L"x");
    EXPECT_TRUE(desktop.messages.empty());
    desktop.shellResult = 32;
    Open(L"");
    ASSERT_EQ(desktop.shellCalls.size(), 2u);
    EXPECT_EQ(desktop.shellCalls[1].file, "");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to run web document (32)");
    EXPECT_EQ(desktop.messages[0].title, L"Web Access");
    EXPECT_EQ(desktop.messages[0].style, 16u);
    EXPECT_EQ(desktop.messages[0].owner, owner);
}

TEST_F(OpenLinkTest, CaughtFailureIsToldWithItsMessageAndNumberAndTheShellResultIsIgnored) {
    application.titleResult = E_ACCESSDENIED;
    desktop.shellResult = 2;
    Open(L"x?s=%APP% now");
    // The steps after the failing one still run: the target goes out unexpanded but encoded.
    ASSERT_EQ(desktop.shellCalls.size(), 1u);
    EXPECT_EQ(desktop.shellCalls[0].file, "x?s=%APP%%20now");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, about::ErrorMessageWithNumber(E_ACCESSDENIED));
    EXPECT_NE(desktop.messages[0].text.find(L" (-2147024891)"), std::wstring::npos);
    EXPECT_GT(desktop.messages[0].text.size(), std::wstring(L" (-2147024891)").size());
    EXPECT_EQ(desktop.messages[0].title, L"Web Access");
    EXPECT_EQ(desktop.messages[0].style, 16u);
    EXPECT_EQ(log, (doubles::CallLog{"app.Title", "shell.Open", "shell.Message"}));
    // Automation errors carry the number hosts see.
    EXPECT_NE(about::ErrorMessageWithNumber(static_cast<HRESULT>(0x800A0035)).find(L" (53)"), std::wstring::npos);
}

TEST_F(OpenLinkTest, SameLinkTwiceOpensTwice) {
    Open(L"http://x.example/");
    Open(L"http://x.example/");
    ASSERT_EQ(desktop.shellCalls.size(), 2u);
    EXPECT_EQ(desktop.shellCalls[0].file, desktop.shellCalls[1].file);
    EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
