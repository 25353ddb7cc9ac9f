#pragma once

#include "ole/com_ptr.h"
#include "proplist/edit_history.h"
#include "proplist/common_dialogs.h"
#include "proplist/description_pane.h"
#include "proplist/hover_tip.h"
#include "proplist/list_accessible.h"
#include "proplist/list_editor.h"
#include "proplist/list_painting.h"
#include "proplist/list_rows.h"
#include "proplist/list_toolbar.h"
#include "proplist/property_items.h"

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace proplist {

// The control's properties that the list's own gestures change.
constexpr DISPID kDispidDescriptionVisible = 3;
constexpr DISPID kDispidDescriptionHeight = 4;
constexpr DISPID kDispidViewOrder = 5;

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
    // The user changed one of the control's properties through the list (the toolbar, the
    // description pane's splitter, the context menu).
    virtual void UserChangedProperty(DISPID id) noexcept = 0;

protected:
    ~ListViewHost() = default;
};

// The list on screen: a window of two columns (name, value) split by a draggable line, one row
// per visible item, a selection, keyboard navigation and in-place editing. Only the rows in
// view are drawn, so the cost of a paint does not grow with the number of items.
class ListView final : private RowSource, private EditorSite, private NestedSite {
public:
    // Commands of the context menu.
    static constexpr UINT kCommandRefresh = 100;
    static constexpr UINT kCommandCopy = 101;
    static constexpr UINT kCommandPaste = 102;
    static constexpr UINT kCommandReset = 103;
    static constexpr UINT kCommandSortAlphabetically = 104;
    static constexpr UINT kCommandFilter = 105;
    static constexpr UINT kCommandDescription = 110;

    // The orders of the rows, as ViewOrder gives them.
    static constexpr LONG kObjectOrder = 0;
    static constexpr LONG kAlphabeticalOrder = 1;
    static constexpr LONG kCategorizedOrder = 2;

    explicit ListView(ListViewHost& host) noexcept : host_(host), painter_(host) {
        rows_.Nested().SetSite(this);
    }
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;
    ~ListView();

    // Makes the list's window cover `parent`'s client area (creating it when needed).
    HRESULT Place(HWND parent) noexcept;
    HWND Window() const noexcept { return window_; }

    // Paints the rows in view into `dc` within `bounds`.
    void Draw(HDC dc, const RECT& bounds) noexcept;
    // Paints the whole control: the rows, and the description pane under them when shown.
    void DrawControl(HDC dc, const RECT& bounds) noexcept;

    void ItemsReplaced() noexcept;
    void ItemChanged(PropertyItem& item) noexcept override;
    // The list now shows `object`'s properties: no row opens it again.
    void ObjectShown(IUnknown* object) noexcept { rows_.Nested().SetRoot(object); }
    void FontChanged() noexcept;
    void EnabledChanged() noexcept;
    // Painting resumes: one repaint now.
    void RedrawResumed() noexcept;
    // Closes an open editor without committing anything.
    void AbandonEdit() noexcept;

    // The user's edit of `item` replaced `before`: a step to undo, unless undo or redo made it.
    void ItemEdited(PropertyItem& item, const VARIANT& before) noexcept;
    // The list shows another object: its edits cannot be undone here.
    void ForgetEdits() noexcept { history_.Clear(); }
    // The list follows its object no longer: nor the objects expanded under its rows.
    void StopFollowingNested() noexcept { rows_.Nested().StopFollowing(); }
    const EditHistory& History() const noexcept { return history_; }
    // Ctrl+Z, Ctrl+Y: the last edit undone or the last undone one done again, as the user's edit.
    void Undo() noexcept { Replay(true); }
    void Redo() noexcept { Replay(false); }

    // The selected item, or null.
    PropertyItem* Selected() noexcept;
    // Selects a row as the user does, events and all; false when the selection stays.
    bool SelectRow(size_t row) noexcept { return Select(row); }
    HWND Editor() const noexcept { return editor_.Window(); }
    // The window that tells the user why a value was refused (hidden when there is nothing to say).
    HWND MessageWindow() const noexcept { return editor_.MessageWindow(); }
    int RowHeight() noexcept override { return painter_.RowHeight(); }
    // The tooltip that shows a value too long for its cell (hidden when not shown).
    HWND ToolTip() const noexcept { return toolTip_.Window(); }
    // The search box above the rows, in which the user types a filter on names.
    HWND FilterBox() const noexcept { return filterBox_; }
    // The strip above the rows: the toggles of the rows' order and the search box.
    const ListToolbar& Toolbar() const noexcept { return toolbar_; }
    LONG ViewOrder() noexcept;
    // False for an order there is not.
    bool SetViewOrder(LONG order) noexcept;
    // The calendar dropped down under a date being edited, or null.
    HWND Calendar() const noexcept { return editor_.Calendar(); }
    // Rows drawn by the last paint, and paints that reached the screen: what virtualised
    // painting and Redraw are judged by.
    size_t RowsDrawn() const noexcept { return rowsDrawn_; }
    size_t PaintCount() const noexcept { return paintCount_; }
    // The font and colour dialogs the value buttons open (the system's unless replaced).
    void SetDialogs(CommonDialogs& dialogs) noexcept { dialogs_ = &dialogs; }

    // The pane under the rows that describes the selected property; its window is null while
    // the pane is hidden or has no room.
    bool DescriptionVisible() const noexcept { return pane_.Visible(); }
    void SetDescriptionVisible(bool visible) noexcept;
    LONG DescriptionHeight() const noexcept { return pane_.Height(); }
    void SetDescriptionHeight(LONG height) noexcept;
    HWND DescriptionWindow() const noexcept;

private:
    friend class ListAccessible;
    static constexpr size_t kNone = ListRows::kNone;
    // Posted to the list's window: the focus is to come back after a handler of Validate kept it.
    static constexpr UINT kMessageRetakeFocus = WM_APP + 2;

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
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
    void OnMeasureItem(MEASUREITEMSTRUCT& measure) noexcept;
    void OnVerticalScroll(WORD request) noexcept;
    void OnMouseWheel(SHORT delta) noexcept;
    void OnSetFocus() noexcept;
    void OnKillFocus(HWND next) noexcept;

    // RowSource
    PropertyItems& Items() noexcept override { return host_.Items(); }
    void RowsRebuilt() noexcept override;

    // EditorSite
    HWND ListWindow() const noexcept override { return window_; }
    HFONT Font() noexcept override { return host_.Font(); }
    void Raise(DISPID id, std::span<const VARIANT> arguments) noexcept override { host_.Raise(id, arguments); }
    IUnknown* Lifeline() noexcept override { return host_.Lifeline(); }
    RECT MessagePlace() noexcept override;
    bool KeyLeavingEditor(SHORT key) noexcept override;
    void EditorClosed(bool hadFocus) noexcept override;

    PropertyItem* ItemAtRow(size_t row) noexcept { return rows_.ItemAt(row); }
    // The row under a point of the window's client area, or kNone.
    size_t RowAt(int y) noexcept;
    // Where the first row starts in the list's window.
    int RowsTop() noexcept;
    // Makes the toolbar above the list's window in `parent`, and the search box the filter box.
    void CreateToolbar(HWND parent) noexcept;
    // The toolbar across the top of `area`, the list's window under it.
    void LayOut(const RECT& area) noexcept;
    void ShowViewOrder() noexcept;
    // Header rows: Left/Right and -/+ collapse and expand, Enter toggles. False for another key
    // or another row.
    bool OnHeaderKey(SHORT key) noexcept;
    // Expands or collapses the group of a header row; an open editor is committed first.
    void ExpandGroup(size_t row, bool expanded) noexcept;
    void ToggleGroup(size_t row) noexcept;
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
    SHORT RaiseKeyDown(SHORT key) noexcept override;
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
    void FocusLeaving(HWND next) noexcept override;
    bool IsPartOfList(HWND window) const noexcept override;

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
    // The toolbar from the keyboard (list_toolbar_keys.cpp): Tab and Shift+Tab go round the rows, the
    // toggles and the search box; Space or Enter press the focused toggle, which keeps the focus.
    void HookToolbarKeys() noexcept;
    static LRESULT CALLBACK ToggleKeyProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR id, DWORD_PTR self);
    // Tab past the last row (Shift+Tab: before the first) goes on to the toolbar; false when the
    // key stays with the rows.
    bool TabLeavesRows(bool backwards) noexcept;
    // Tab from a window of the toolbar: on to the next stop.
    void TabFromToolbar(HWND from, bool backwards) noexcept;

    // Selects a row (kNone: none); an open editor is committed first and, if it refuses,
    // the selection stays.
    bool Select(size_t row) noexcept;
    void Move(long delta) noexcept;

    // Opens the editor over the selected value, unless the item is read-only, edited by the
    // list's user (custom) or a handler of BeforeEdit says no.
    void BeginEdit() noexcept;
    // Settles an open editor; false when it refused its value and stays.
    bool CommitEdit() noexcept { return editor_.Commit(); }
    // An edit of `item` may begin: it is not read-only (else ReadOnlyEditAttempt is raised) and
    // no handler of BeforeEdit says no.
    bool MayEdit(PropertyItem& item) noexcept;
    bool RefusedAsReadOnly(PropertyItem& item) noexcept;
    // The value cell of a row less the button its value has.
    RECT EditorCell(size_t row) noexcept;
    // A click on the selected row's value button; false when the click is not on one.
    bool OnValueButtonClick(int x, int y, size_t row) noexcept;
    // What the row's value button does when clicked (Ctrl+Enter does it too); nothing without one.
    void PressValueButton(size_t row) noexcept;
    // A double-click on a Boolean or an enumeration commits its next value.
    bool ChooseNextValue(PropertyItem& item) noexcept;
    // The value button's dialog for a font or a colour.
    void ChooseInDialog(PropertyItem& item) noexcept;
    void ChooseFontFor(PropertyItem& item) noexcept;
    void ChooseColourFor(PropertyItem& item) noexcept;
    // The description pane's window, beside the list's under the same parent.
    static LRESULT CALLBACK PaneProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandlePane(UINT message, WPARAM wParam, LPARAM lParam);
    // How much of a parent `height` high the pane takes.
    int PaneHeightIn(int height) noexcept;
    void PlacePane(HWND parent, int top, int width, int height) noexcept;
    // Places the list and the pane again after the pane was shown, hidden or resized.
    void LayOut() noexcept;
    void DrawPane(HDC dc, const RECT& area) noexcept;
    void OnPanePaint() noexcept;
    void DragPaneTo(int y) noexcept;
    void EndPaneDrag() noexcept;
    void ToggleDescription() noexcept;
    void InvalidatePane() noexcept;

    // Tells accessibility clients that something about a row (kNone: the list) happened.
    void NotifyAccessibility(DWORD event, size_t row) noexcept;

    // Rows that hold objects, opened and closed (list_nesting.cpp). Each returns false when it
    // leaves the key, character or click to the list's other handling.
    bool SetExpanded(size_t row, bool expanded) noexcept;
    bool OnExpanderKey(SHORT key) noexcept;
    bool OnExpanderCharacter(wchar_t typed) noexcept;
    bool OnExpanderClick(size_t row, int x) noexcept;
    bool OnExpanderDoubleClick(int x, int y) noexcept;
    // STATE_SYSTEM_EXPANDED or _COLLAPSED for a row with an expander, else 0.
    LONG ExpansionState(size_t row) noexcept;
    // EditorSite: a nested item's edit goes to its own object.
    void ItemEdited(PropertyItem& item) noexcept override { rows_.Nested().WriteBack(item); }
    void Replay(bool undo) noexcept;
    // The item a step names: one of the list's own, or a nested one down through expanded rows.
    PropertyItem* ItemAtPath(std::span<const std::wstring> path) noexcept;
    // Gives `item`, found at `path`, a recorded value as if the user had committed it; false
    // when it was refused.
    bool StoreRecordedValue(PropertyItem& item, std::span<const std::wstring> path, const VARIANT& recorded) noexcept;
    void SelectItem(const PropertyItem& item) noexcept;

    ListViewHost& host_;
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    ListPainter painter_;
    InPlaceEditor editor_{*this};

    HoverTip toolTip_;
    ole::ComPtr<PropertyItem> hotItem_;  // the item under the mouse
    bool trackingMouse_ = false;

    HWND filterBox_ = nullptr;
    ListToolbar toolbar_;

    ListRows rows_{*this};
    double splitRatio_ = 0.45;
    int reportedSplit_ = -1;  // the name column's width last reported
    bool draggingSplitter_ = false;
    ole::ComPtr<ListAccessible> accessible_;  // made when first asked for
    CommonDialogs* dialogs_ = &SystemDialogs();
    size_t rowsDrawn_ = 0;
    size_t paintCount_ = 0;
    // The whole window already awaits its next paint: a refresh changes every item, and asking
    // the window manager again for each is a costly call that adds nothing.
    bool rowsInvalid_ = false;
    bool paneInvalid_ = false;
    // What the scroll bar was last told, if it is still what it shows.
    std::optional<SCROLLINFO> scrollBar_;
    EditHistory history_;
    bool replaying_ = false;  // an undo or redo is storing its value

    DescriptionPane pane_;
    HWND paneWindow_ = nullptr;
    bool draggingPane_ = false;
    int paneGrab_ = 0;              // where in the splitter band the drag took hold
    LONG heightBeforeDrag_ = 0;
};

}  // namespace proplist
