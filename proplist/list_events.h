#pragma once

#include <windows.h>
#include <oaidl.h>

// The dispatch ids of the list's events that the list raises, as its type library declares them.
namespace proplist::events {

constexpr DISPID kRequestRefresh = 1;
constexpr DISPID kClick = -600;
constexpr DISPID kDblClick = -601;
constexpr DISPID kMouseDown = -605;
constexpr DISPID kMouseMove = -606;
constexpr DISPID kMouseUp = -607;
constexpr DISPID kKeyPress = -603;
constexpr DISPID kKeyUp = -604;
constexpr DISPID kSelectionChanged = 2;
constexpr DISPID kBeforeEdit = 3;
constexpr DISPID kItemChanged = 4;
constexpr DISPID kAfterEdit = 5;
constexpr DISPID kEditCancelled = 6;
constexpr DISPID kValidateValue = 7;
constexpr DISPID kItemClick = 8;
constexpr DISPID kItemDblClick = 9;
constexpr DISPID kBeforePopulate = 10;
constexpr DISPID kAfterPopulate = 11;
constexpr DISPID kItemsCleared = 14;
constexpr DISPID kButtonClick = 17;
constexpr DISPID kSplitterMoved = 20;
constexpr DISPID kScroll = 21;
constexpr DISPID kResize = 22;
constexpr DISPID kGotFocus = 23;
constexpr DISPID kLostFocus = 24;
constexpr DISPID kContextMenu = 25;
constexpr DISPID kKeyDown = -602;
constexpr DISPID kBeforeSelectionChange = 29;
constexpr DISPID kEditorKeyDown = 30;
constexpr DISPID kEditorChange = 33;
constexpr DISPID kValueRejected = 34;
constexpr DISPID kReadOnlyEditAttempt = 35;
constexpr DISPID kFontChanged = 40;
constexpr DISPID kEnabledChanged = 41;
constexpr DISPID kRedrawChanged = 42;
constexpr DISPID kMouseWheel = 43;
constexpr DISPID kPaint = 46;
constexpr DISPID kTopItemChanged = 47;
constexpr DISPID kItemAdded = 12;
constexpr DISPID kItemRemoved = 13;
constexpr DISPID kBeforeDropDown = 15;
constexpr DISPID kDropDownClosed = 16;
constexpr DISPID kColourPicked = 18;
constexpr DISPID kDateChosen = 19;
constexpr DISPID kItemEnter = 26;
constexpr DISPID kItemLeave = 27;
constexpr DISPID kToolTipShow = 28;
constexpr DISPID kEditorKeyPress = 31;
constexpr DISPID kEditorKeyUp = 32;
constexpr DISPID kHelpRequested = 36;
constexpr DISPID kCopyValue = 37;
constexpr DISPID kPasteValue = 38;
constexpr DISPID kResetValue = 39;
constexpr DISPID kMouseEnter = 44;
constexpr DISPID kMouseLeave = 45;
constexpr DISPID kColumnWidthChanged = 48;
constexpr DISPID kSortOrderChanged = 49;
constexpr DISPID kFilterChanged = 50;
constexpr DISPID kSearchNotFound = 51;
constexpr DISPID kError = -608;
constexpr DISPID kValidate = 52;

}  // namespace proplist::events
