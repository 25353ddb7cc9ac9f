#pragma once

#include "ole/com_ptr.h"
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
class ListView {
public:
    // Menu command of the context menu's "Refresh".
    static constexpr UINT kCommandRefresh = 100;

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
    // Rows drawn by the last paint, and paints that reached the screen: what virtualised
    // painting and Redraw are judged by.
    size_t RowsDrawn() const noexcept { return rowsDrawn_; }
    size_t PaintCount() const noexcept { return paintCount_; }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    static LRESULT CALLBACK EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleEditor(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    const std::vector<size_t>& Rows() noexcept;
    PropertyItem* ItemAtRow(size_t row) noexcept;
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

    // Selects a row (kNone: none); an open editor is committed first and, if it refuses,
    // the selection stays.
    bool Select(size_t row) noexcept;
    void Move(long delta) noexcept;

    void BeginEdit() noexcept;
    // Converts and stores the editor's text; false when the value was refused (the editor stays).
    bool CommitEdit() noexcept;
    void CancelEdit() noexcept;
    void CloseEditor() noexcept;
    void ShowMessage(const std::wstring& text) noexcept;
    void HideMessage() noexcept;

    ListViewHost& host_;
    HWND window_ = nullptr;
    HWND parent_ = nullptr;
    HWND editor_ = nullptr;
    HWND message_ = nullptr;
    HBRUSH messageBrush_ = nullptr;
    ole::ComPtr<PropertyItem> editing_;
    std::wstring originalText_;
    bool closingEditor_ = false;

    std::vector<size_t> rows_;  // item positions of the visible items, in order
    bool rowsStale_ = true;
    size_t selectedRow_ = kNone;
    const PropertyItem* selectedItem_ = nullptr;
    size_t top_ = 0;
    int rowHeight_ = 0;
    double splitRatio_ = 0.45;
    bool draggingSplitter_ = false;
    std::wstring typeAhead_;
    DWORD lastTyped_ = 0;
    size_t rowsDrawn_ = 0;
    size_t paintCount_ = 0;
};

}  // namespace proplist
