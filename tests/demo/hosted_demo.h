#pragma once

#include "demo/control_host.h"
#include "demo/demo_window.h"
#include "demo/sample_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The demo's main window with Inspecta placed on its site by the system's container (atl.dll) and
// bound to the demo's sample record, as the demo runs it; the test command registers both libraries.
class DemoWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(atl.Load(), S_OK) << "atl.dll is part of every Wine prefix";
        ASSERT_EQ(demo::CreateSampleRecord(record), S_OK);
        ASSERT_EQ(window.Create(L"demo under test", SIZE{400, 300}), S_OK);
        const HRESULT opened = host.Open(atl, window.Site());
        ASSERT_EQ(opened, S_OK) << demo::DescribeFailure(opened).c_str();
        ole::ComPtr<IOleWindow> oleWindow;
        ASSERT_EQ(host.ControlUnknown()->QueryInterface(IID_IOleWindow, oleWindow.PutVoid()), S_OK);
        ASSERT_EQ(oleWindow->GetWindow(&control), S_OK);
        ASSERT_EQ(host.Bind(record.Get()), S_OK);
        window.ShowOptions();
    }
    void TearDown() override {
        if (window.Window()) DestroyWindow(window.Window());
        host.Close();
    }

    std::vector<demo::ItemRow> Rows() {
        std::vector<demo::ItemRow> rows;
        EXPECT_EQ(demo::ReadItems(host.Control(), record.Get(), rows), S_OK);
        return rows;
    }

    demo::AtlContainer atl;
    std::vector<std::wstring> lines;  // what the host and the window print
    demo::InspectaHost host{[this](const std::wstring& line) { lines.push_back(line); }};
    demo::DemoWindow window{host, [this](const std::wstring& line) { lines.push_back(line); }, false};
    ole::ComPtr<IDispatch> record;
    HWND control = nullptr;
};
