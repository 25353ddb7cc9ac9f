#pragma once

#include "ole/com_ptr.h"
#include "ole/variant.h"
#include "proplist/property_item.h"

#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace proplist {

// What the in-place editor needs from the list it edits in.
class EditorSite {
public:
    // The window the editor, its drop-downs and its message are children of.
    virtual HWND ListWindow() const noexcept = 0;
    virtual HFONT Font() noexcept = 0;
    virtual int RowHeight() noexcept = 0;
    // Raises one of the list's events; arguments in natural order.
    virtual void Raise(DISPID id, std::span<const VARIANT> arguments = {}) noexcept = 0;
    // The control, held while the editor handles a message: an event handler may let go of it.
    virtual IUnknown* Lifeline() noexcept = 0;
    // Where the message saying why a value was refused goes: the row under the selection.
    virtual RECT MessagePlace() noexcept = 0;
    // Raises the list's KeyDown for a key pressed in the editor; the handlers may change it (0 swallows it).
    virtual SHORT RaiseKeyDown(SHORT key) noexcept = 0;
    // The keys that leave the editor for the list (help, Tab, arrows out of an edit box); false
    // leaves the key to the editor.
    virtual bool KeyLeavingEditor(SHORT key) noexcept = 0;
    virtual bool IsPartOfList(HWND window) const noexcept = 0;
    // Focus is going from the editor to `next`, outside the list.
    virtual void FocusLeaving(HWND next) noexcept = 0;
    // The editor is gone; `hadFocus` when the list is to take the focus back.
    virtual void EditorClosed(bool hadFocus) noexcept = 0;
    // The user's value is stored in `item`, and the list is about to say so.
    virtual void ItemEdited(PropertyItem& item) noexcept = 0;

protected:
    ~EditorSite() = default;
};

// The editor over the selected value: an edit box, a drop-down of choices or colours, a date's
// calendar, and the message that says why a value was refused. It converts what the user typed
// to the item's type and stores it, or puts it back.
class InPlaceEditor {
public:
    explicit InPlaceEditor(EditorSite& site) noexcept : site_(site) {}
    InPlaceEditor(const InPlaceEditor&) = delete;
    InPlaceEditor& operator=(const InPlaceEditor&) = delete;

    // Covers `cell` with an editor for `item` and gives it the focus.
    void Open(PropertyItem& item, const RECT& cell) noexcept;
    bool IsOpen() const noexcept { return editor_ != nullptr; }
    bool IsEditing(const PropertyItem& item) const noexcept { return editor_ && editing_.Get() == &item; }
    HWND Window() const noexcept { return editor_; }
    HWND MessageWindow() const noexcept { return message_; }
    HWND Calendar() const noexcept { return calendar_; }
    // The editor was opened by a click on the value: a second click soon after is a double-click.
    void OpenedByClick() noexcept;
    // Keeps the editor over the value of its row.
    void MoveTo(const RECT& cell) noexcept;

    // Converts and stores the editor's text; false when the value was refused (the editor stays).
    bool Commit() noexcept;
    void Cancel() noexcept;
    // Closes the editor without committing anything.
    void Abandon() noexcept;
    // Converts text the user gave for `item` and lets the handlers check it; when refused, says
    // why (unless a handler of Error takes it on) and raises ValueRejected.
    bool AcceptText(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept;
    // Lets the handlers check a value; refused, as AcceptText. `text` names the value to the user.
    bool AcceptValue(PropertyItem& item, const std::wstring& text, ole::Variant& value) noexcept;
    // Stores a value chosen with no editor open (the next choice, a dialog's pick) as an edit of
    // `item`: checked as AcceptValue, then ItemChanged and AfterEdit; false when refused.
    bool CommitChosen(PropertyItem& item, ole::Variant value, const std::wstring& text) noexcept;
    void RaiseItemChanged(PropertyItem& item) noexcept;
    void HideMessage() noexcept;

    // Opens or closes the editor's list or calendar (F4, Alt+Down).
    void DropDown() noexcept;
    void CloseCalendar() noexcept;
    // The list's window passes on what its editor's children tell it; false for what the editor
    // leaves to the default handling.
    bool OnCommand(WORD code, HWND from) noexcept;
    void OnNotify(const NMHDR& header) noexcept;
    void DropDownSettled(HWND from) noexcept;
    // The list's window was destroyed, and the editor's windows with it.
    void WindowsDestroyed() noexcept;

    // Posted to the list's window: a combo box's list has closed and its selection settled.
    static constexpr UINT kMessageDropDownSettled = WM_APP + 1;

private:
    static constexpr LRESULT kRefusedDropDown = -2;
    static constexpr int kDropDownRows = 12;  // rows a drop-down's open list shows

    static LRESULT CALLBACK EditorProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    HWND Create(const PropertyItem& item, const RECT& cell) noexcept;
    HWND CreateColourPicker(const std::wstring& text, const RECT& cell) noexcept;
    HWND CreateChoiceList(const std::wstring& text, const RECT& cell,
                          const std::vector<std::wstring>& choices) noexcept;
    HWND CreateComboBox(DWORD style, const RECT& cell) noexcept;
    // A combo box's closed height is its selection field's and its borders': fitted to a row.
    void FitToRow(HWND combo) noexcept;
    LRESULT Handle(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // The editor's keys; false leaves the key to the editor.
    bool OnKey(SHORT pressed) noexcept;
    LRESULT OnChar(HWND editor, WPARAM character, LPARAM lParam, bool& handled) noexcept;
    void OnLosingFocus(HWND next) noexcept;
    // A click on a list of choices that makes a double-click with the click that opened it
    // commits the next choice; false leaves the click to the list.
    bool SecondClickChoosesNext() noexcept;
    // Raises Error; true when the list should still show the (possibly reworded) description.
    bool RaiseError(LONG number, std::wstring& description) noexcept;
    // Raises Error (showing why, unless a handler takes it on) and ValueRejected.
    void Refuse(PropertyItem& item, const std::wstring& text, HRESULT failure, const std::wstring& reason) noexcept;
    void Close() noexcept;
    void ShowMessage(const std::wstring& text) noexcept;

    void DropDownOpened() noexcept;
    void DropDownClosed() noexcept;
    void OpenCalendar() noexcept;
    void DateChosen(const SYSTEMTIME& day) noexcept;

    EditorSite& site_;
    HWND editor_ = nullptr;
    HWND message_ = nullptr;
    HWND calendar_ = nullptr;
    ole::ComPtr<PropertyItem> editing_;
    std::wstring originalText_;
    bool closing_ = false;
    bool losingFocus_ = false;
    LRESULT choiceWhenDropped_ = -1;  // the drop-down's selection when it opened
    bool clickOpened_ = false;
    DWORD openedAt_ = 0;  // the message time of the click that opened the editor
};

}  // namespace proplist
