// Inspecta2.ocx and Kavella2.ocx, registered in the prefix, in the system's own ActiveX container
// (atl.dll), inspecting the demo's sample record on the real list.
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/demo/hosted_demo.h"

#include <algorithm>

namespace {

class AtlContainerTest : public DemoWindowTest {
protected:
    void SetUp() override {
        DemoWindowTest::SetUp();
        // The list control's window inside ours, and its list view inside that.
        list = FindWindowExW(FindWindowExW(control, nullptr, nullptr, nullptr), nullptr, L"KavellaPropertyList",
                             nullptr);
        ASSERT_NE(list, nullptr) << "the list is a window inside the control";
    }
    HWND list = nullptr;
};

// The site follows the demo window, the container's control the site, and the list the control.
TEST_F(AtlContainerTest, ThePlacedControlIsInPlaceActiveAndFollowsItsWindow) {
    EXPECT_EQ(GetParent(control), window.Site());
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) << "in-place activation shows the control";
    EXPECT_EQ(lines, std::vector<std::wstring>{L"AfterPopulate"}) << "binding the record filled the list once";
    MoveWindow(window.Window(), 0, 0, 640, 480, TRUE);
    RECT client{}, controlRect{}, listRect{};
    GetClientRect(window.Window(), &client);
    GetWindowRect(control, &controlRect);
    GetWindowRect(list, &listRect);
    EXPECT_EQ(std::make_pair(controlRect.right - controlRect.left, controlRect.bottom - controlRect.top),
              std::make_pair(client.right, client.bottom));
    EXPECT_TRUE(EqualRect(&listRect, &controlRect));
}

// Enter opens the first row's (Title's) editor; Enter commits what was typed, Escape drops it.
TEST_F(AtlContainerTest, AnEditReachesTheRecordAndRaisesPropertyChangedOnlyWhenCommitted) {
    for (const auto& [key, title, changed] :
         {std::tuple{VK_ESCAPE, L"Garden bench", 0}, std::tuple{VK_RETURN, L"Rocking chair", 1}}) {
        SetFocus(list);
        SendMessageW(list, WM_KEYDOWN, VK_HOME, 1);
        SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
        HWND editor = FindWindowExW(list, nullptr, L"EDIT", nullptr);
        ASSERT_NE(editor, nullptr) << "Enter opens an edit box on a text item";
        SendMessageW(editor, EM_SETSEL, 0, -1);
        for (wchar_t character : std::wstring(L"Rocking chair")) SendMessageW(editor, WM_CHAR, character, 1);
        SendMessageW(editor, WM_KEYDOWN, key, 1);
        EXPECT_FALSE(IsWindow(editor)) << "the key closed the editor";
        ole::Variant value;
        ASSERT_EQ(ole::GetProperty(record.Get(), L"Title", value), S_OK);
        EXPECT_EQ(demo::ValueText(value.Get()), title);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& line) { return line.starts_with(L"Prop"); }),
                  changed);
    }
    EXPECT_EQ(lines.back(), L"PropertyChanged Title = Rocking chair");
}

TEST_F(AtlContainerTest, TheReadOnlyOptionHidesTheListsReadOnlyItems) {
    ASSERT_EQ(host.SetOption(L"HideCustomItems", false), S_OK);
    ASSERT_EQ(host.SetOption(L"HideReadOnlyItems", true), S_OK);
    const std::vector<demo::ItemRow> rows = Rows();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row.readOnly; }));
    for (const auto& row : rows) EXPECT_EQ(row.visible, !row.readOnly) << row.name.c_str();
}

}  // namespace
