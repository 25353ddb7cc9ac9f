#include "ole/property_notify_connection.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <memory>
#include <vector>

namespace {

ole::ComPtr<IFont> MakeFont() {
    FONTDESC description{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {82500, 0}, FW_NORMAL,
                         DEFAULT_CHARSET, FALSE, FALSE, FALSE};
    ole::ComPtr<IFont> font;
    EXPECT_EQ(OleCreateFontIndirect(&description, IID_IFont, font.PutVoid()), S_OK);
    return font;
}

TEST(PropertyNotifyConnectionTest, ReportsChangesUntilDisconnectedEvenFromItsOwnCallback) {
    ole::ComPtr<IFont> font = MakeFont();
    std::vector<DISPID> changes;
    auto connection = std::make_unique<ole::PropertyNotifyConnection>();
    ASSERT_EQ(connection->Connect(font.Get(), [&](DISPID id) {
        changes.push_back(id);
        if (id == DISPID_FONT_SIZE) connection.reset();
    }), S_OK);
    font->put_Bold(TRUE);
    font->put_Size({120000, 0});
    font->put_Italic(TRUE);
    EXPECT_EQ(changes, (std::vector<DISPID>{DISPID_FONT_BOLD, DISPID_FONT_SIZE}));
}

TEST(PropertyNotifyConnectionTest, AnObjectWithoutNotificationsIsRefused) {
    ole::PropertyNotifyConnection connection;
    ole::ComPtr<IUnknown> plain;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(plain.PutVoid())), S_OK);
    EXPECT_EQ(connection.Connect(plain.Get(), [](DISPID) {}), E_NOINTERFACE);
    EXPECT_FALSE(connection.IsConnected());
}

}  // namespace
