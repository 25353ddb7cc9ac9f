#pragma once

#include "ole/com_ptr.h"
#include "proplist/hover_tip.h"
#include "proplist/list_accessible.h"
#include "proplist/list_rows.h"
#include "proplist/property_items.h"

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace proplist {

// What the list's window needs from the control that owns it.
class ListViewHost {
public:
    virtual PropertyItems& Items() noexcept = 0;
    // The control's font (owned by the font object; null for the system's).
    virtual HFONT Font() noexcept = 0;
    virtual bool IsEnabled() noexcept = 0;
    virtual bool IsRedrawing() noexcept = 0;
    // Raises one of the list's events; arguments in natural order.
    virtual void Raise(DISPID id, std::span<const VARIANT> arguments = {}) noexcept = 0;
    // The control, held while the window handles a message: an event handler may let go of it.
    virtual IUnknown* Lifeline() noexcept = 0;
    // The list's window took the focus: the control becomes the container's active object.
    virtual void FocusReceived() noexcept = 0;

protected:
    ~ListViewHost() = default;
};

// The list on screen: a window of two columns (name, value) split by a draggable line, one row
// per visible item, a selection, keyboard navigation and in-place editing. Only the rows in
// view are drawn, so the cost of a paint does not grow with the number of items.
class ListView final : private RowSource {
public:
    // Commands of the context menu.
    static constexpr UINT kCommandRefresh = 100;
    static constexpr UINT kCommandCopy = 101;
    static constexpr UINT kCommandPaste = 102;
    static constexpr UINT kCommandReset = 103;
    static constexpr UINT kCommandSortAlphabetically = 104;
    static constexpr UINT kCommandFilter = 105;

    explicit ListView(ListViewHost& host) noexcept : host_(host) {}
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;
    ~ListView();

    // Makes the list's window cover `parent`'s client area (creating it when needed).
    HRESULT Place(HWND parent) noexcept;
    HWND Window() const noexcept { return window_; }

    // Paints the rows in view into `dc` within `bounds`.
    void Draw(HDC dc, const RECT& bounds) noexcept;

    void ItemsReplaced() noexcept;
    void ItemChanged(PropertyItem& item) noexcept;
    void FontChanged() noexcept;
    void EnabledChanged() noexcept;
    // Painting resumes: one repaint now.
    void RedrawResumed() noexcept;
    // Closes an open editor without committing anything.
    void AbandonEdit() noexcept;

    // The selected item, or null.
    PropertyItem* Selected() noexcept;
    HWND Editor() const noexcept { return editor_; }
    // The window that tells the user why a value was refused (hidden when there is nothing to say).
    HWND MessageWindow() const noexcept { return message_; }
    int RowHeight() noexcept;
    // The tooltip that shows a value too long for its cell (hidden when not shown).
    HWND ToolTip() const noexcept { return toolTip_.Window(); }
    // The box above the rows in which the user types a filter on names, or null when closed.
    HWND FilterBox() const noexcept { return filterBox_; }
    // The calendar dropped down under a date being edited, or null.
    HWND Calendar() const noexcept { return calendar_; }
    // Rows drawn by the last paint, and paints that reached the screen: what virtualised
    // painting and Redraw are judged by.
    size_t RowsDrawn() const noexcept { return rowsDrawn_; }
    size_t PaintCount() const noexcept { return paintCount_; }

private:
    friend class ListAccessible;
    static constexpr size_t kNone = ListRows::kNone;
    static constexpr LRESULT kRefusedDropDown = -2;
    static constexpr int kDropDownRows = 12;  // rows a drop-down's open list shows
    // Posted to the list's window: a combo box's list has closed and its selection settled;
    // the focus is to come back after a handler of Validate kept it.
    static constexpr UINT kMessageDropDownSettled = WM_APP + 1;
    static constexpr UINT kMessageRetakeFocus = WM_APP + 2;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's messages, one handler each.
    void OnPaint() noexcept;
    LRESULT OnGetAccessible(WPARAM flags) noexcept;
    void OnSize() noexcept;
    void OnKey(SHORT pressed) noexcept;
    void OnKeyUp(SHORT key) noexcept;
    void OnCharMessage(SHORT typed) noexcept;
    void OnMouseUp(int x, int y) noexcept;
    void OnDoubleClick() noexcept;
    // True when the cursor is over the splitter and was set for dragging it.
    bool OnSetCursor() noexcept;
    // False for a notification the list leaves to the default handling.
    bool OnCommandMessage(WORD code, WORD command, HWND from) noexcept;
    void OnNotify(const NMHDR* header) noexcept;
    void OnDrawItem(const DRAWITEMSTRUCT& draw) noexcept;
    void OnVerticalScroll(WORD request) noexcept;
    void OnMouseWheel(SHORT delta) noexcept;
    void OnSetFocus() noexcept;
    void OnKillFocus(HWND next) noexcept;
    LRESULT HandleEditor(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // The editor's keys; false leaves the key to the editor.
    bool OnEditorKey(SHORT pressed) noexcept;
    LRESULT OnEditorChar(HWND editor, WPARAM character, LPARAM lParam, bool& handled) noexcept;
    void OnEditorLosingFocus(HWND next) noexcept;

    // RowSource
    PropertyItems& Items() noexcept override { return host_.Items(); }
    void RowsRebuilt() noexcept override;

    PropertyItem* ItemAtRow(size_t row) noexcept { return rows_.ItemAt(row); }
    // The row under a point of the window's client area, or kNone.
    size_t RowAt(int y) noexcept;
    // Where the first row starts: below the filter box while it is open.
    int RowsTop() noexcept;
    size_t RowsPerPage() noexcept;
    int SplitterX(int width) const noexcept;
    RECT ValueCell(size_t row) noexcept;
    // Keeps an open editor over the value of its row.
    void PositionEditor() noexcept;
    void Invalidate() noexcept;
    void UpdateScrollBar() noexcept;
    void ScrollTo(size_t top) noexcept;
    void EnsureVisible(size_t row) noexcept;

    // Fires the key-down event; the handlers may change the key (0 swallows it).
    SHORT RaiseKeyDown(SHORT key) noexcept;
    void OnKeyDown(SHORT key) noexcept;
    void OnChar(wchar_t typed) noexcept;
    void OnMouseDown(int x, int y) noexcept;
    void OnContextMenu(int x, int y) noexcept;
    void OnCommand(UINT command) noexcept;
    void OnMouseMove(WPARAM buttons, int x, int y) noexcept;
    void OnMouseHover(int x, int y) noexcept;
    void OnMouseLeave() noexcept;
    void SetHotItem(PropertyItem* item) noexcept;
    void HideToolTip() noexcept;
    void DragSplitterTo(int x) noexcept;
    // Focus is going to `next`: leaving the list altogether lets the handlers keep it here.
    void FocusLeaving(HWND next) noexcept;
    bool IsPartOfList(HWND window) const noexcept;

    // The context menu's and the keyboard's commands on the selected item.
    void CopySelected() noexcept;
    void PasteIntoSelected() noexcept;
    void ResetSelected() noexcept;
    void RequestHelp() noexcept;
    void ToggleSortOrder() noexcept;
    void OpenFilter() noexcept;
    void CloseFilter() noexcept;
    void FilterTyped() noexcept;
    static LRESULT CALLBACK FilterBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR self);

    // Selects a row (kNone: none); an open editor is committed first and, if it refuses,
    // the selection stays.
    bool Select(size_t row) noexcept;
    void Move(long delta) noexcept;

    void BeginEdit() noexcept;
    HWND CreateEditor(const PropertyItem& item, const RECT& cell) noexcept;
    // Converts and stores the editor's text; false when the value was refused (the editor stays).
    bool CommitEdit() noexcept;
    // Converts text the user gave for `item` and lets the handlers check it; when refused, says
    // why (unless a handler of Error takes it on) and raises ValueRejected.
    bool AcceptText(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept;
    // Raises Error; true when the list should still show the (possibly reworded) description.
    bool RaiseError(LONG number, std::wstring& description) noexcept;
    void RaiseItemChanged(PropertyItem& item) noexcept;
    // Opens the editor's list or calendar (F4, Alt+Down).
    void DropDown() noexcept;
    void DropDownOpened() noexcept;
    void DropDownClosed() noexcept;
    void DropDownSettled() noexcept;
    void OpenCalendar() noexcept;
    void CloseCalendar() noexcept;
    void DateChosen(const SYSTEMTIME& day) noexcept;
    void MeasureChoice(MEASUREITEMSTRUCT& measure) noexcept;
    void DrawChoice(const DRAWITEMSTRUCT& draw) noexcept;
    // A row's value: a colour's swatch, the text greyed when read-only, bold when marked modified.
    void DrawValue(HDC dc, const PropertyItem& item, const RECT& cell, bool enabled) noexcept;
    void DrawMessage(const DRAWITEMSTRUCT& draw) noexcept;
    // The list's font in bold, for values marked modified; made again when the font changes.
    HFONT BoldFont() noexcept;
    // A combo box's closed height is its selection field's and its borders': fitted to a row.
    void FitToRow(HWND combo) noexcept;
    void CancelEdit() noexcept;
    void CloseEditor() noexcept;
    void ShowMessage(const std::wstring& text) noexcept;
    // Tells accessibility clients that something about a row (kNone: the list) happened.
    void NotifyAccessibility(DWORD event, size_t row) noexcept;
    void HideMessage() noexcept;

    ListViewHost& host_;
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    HWND editor_ = nullptr;
    HWND message_ = nullptr;
    ole::ComPtr<PropertyItem> editing_;
    std::wstring originalText_;
    bool closingEditor_ = false;
    bool losingFocus_ = false;
    LRESULT choiceWhenDropped_ = -1;  // the drop-down's selection when it opened
    HWND calendar_ = nullptr;

    HoverTip toolTip_;
    ole::ComPtr<PropertyItem> hotItem_;  // the item under the mouse
    bool trackingMouse_ = false;

    HWND filterBox_ = nullptr;

    ListRows rows_{*this};
    int rowHeight_ = 0;
    HFONT boldFont_ = nullptr;
    HFONT boldFontBase_ = nullptr;  // the font boldFont_ was made from
    double splitRatio_ = 0.45;
    int reportedSplit_ = -1;  // the name column's width last reported
    bool draggingSplitter_ = false;
    ole::ComPtr<ListAccessible> accessible_;  // made when first asked for
    size_t rowsDrawn_ = 0;
    size_t paintCount_ = 0;
};

}  // namespace proplist
