#include "proplist/list_view.h"

#include "ole/arguments.h"
#include "ole/bstr.h"
#include "proplist/list_events.h"
#include "proplist/list_view_support.h"
#include "proplist/value_buttons.h"
#include "proplist/value_text.h"

#include <olectl.h>

#include <utility>

// Values chosen rather than typed: the next choice on a double-click, and what the dialogs
// behind a value's button give, each committed as an edit like any other.
namespace proplist {

using namespace view_support;

namespace {

// The font an item holds, as the font dialog starts from it (empty when it holds none).
FontChoice FontOf(const VARIANT& value) {
    FontChoice choice;
    IUnknown* object = ole::ReferencedObject(value);
    ole::ComPtr<IFont> font;
    if (!object || FAILED(object->QueryInterface(IID_IFont, font.PutVoid()))) return choice;
    // What cannot be read keeps the dialog's default.
    ole::Bstr name;
    BOOL italic = FALSE, underline = FALSE, strikethrough = FALSE;
    if (SUCCEEDED(font->get_Name(name.Out()))) choice.name.assign(name.View());
    static_cast<void>(font->get_Size(&choice.size));
    static_cast<void>(font->get_Weight(&choice.weight));
    static_cast<void>(font->get_Charset(&choice.charset));
    choice.italic = SUCCEEDED(font->get_Italic(&italic)) && italic;
    choice.underline = SUCCEEDED(font->get_Underline(&underline)) && underline;
    choice.strikethrough = SUCCEEDED(font->get_Strikethrough(&strikethrough)) && strikethrough;
    return choice;
}

}  // namespace

bool ListView::OnValueButtonClick(int x, int y, size_t row) noexcept {
    PropertyItem* item = ItemAtRow(row);
    const RECT place = ButtonPlace(ValueCell(row));
    if (!item || ButtonOf(*item) == ValueButton::kNone || !PtInRect(&place, POINT{x, y})) return false;
    PressValueButton(row);
    return true;
}

void ListView::PressValueButton(size_t row) noexcept {
    const ole::ComPtr<PropertyItem> item(ItemAtRow(row));
    if (!item) return;
    const ValueButton button = ButtonOf(*item.Get());
    if (button == ValueButton::kNone) return;
    if (button == ValueButton::kDropDown) {
        if (!editor_.IsOpen()) BeginEdit();
        editor_.DropDown();
        return;
    }
    if (!CommitEdit()) return;
    const VARIANT itemArgument[] = {ole::ObjectArgument(AsDispatch(item.Get()))};
    host_.Raise(events::kButtonClick, itemArgument);
    if (item.Get() == Selected() && MayEdit(*item.Get())) ChooseInDialog(*item.Get());
}

bool ListView::ChooseNextValue(PropertyItem& item) noexcept {
    const std::wstring next = NextChoice(item.Description(), item.CurrentValue());
    if (next.empty()) return false;
    const ole::ComPtr<PropertyItem> held(&item);
    ole::Variant value;
    std::wstring ignored;
    if (MayEdit(item) && SUCCEEDED(ParseValue(item.Description(), next, value, ignored))) {
        editor_.CommitChosen(item, std::move(value), next);
    }
    return true;
}

void ListView::ChooseInDialog(PropertyItem& item) noexcept {
    if (item.Description().style == kStyleColour) ChooseColourFor(item);
    else ChooseFontFor(item);
}

void ListView::ChooseFontFor(PropertyItem& item) noexcept {
    const ole::ComPtr<PropertyItem> held(&item);
    FontChoice choice = FontOf(item.CurrentValue());
    if (!dialogs_->PickFont(window_, choice)) return;
    FONTDESC description{sizeof(FONTDESC), choice.name.data(), choice.size, choice.weight, choice.charset,
                         choice.italic, choice.underline, choice.strikethrough};
    ole::ComPtr<IFontDisp> font;
    if (FAILED(OleCreateFontIndirect(&description, IID_IFontDisp, font.PutVoid()))) return;
    // A new font object, assigned by reference: the one the object holds may be shared.
    ole::Variant value(static_cast<IDispatch*>(font.Get()));
    const std::wstring text = FormatValue(item.Description(), value.Get());
    editor_.CommitChosen(item, std::move(value), text);
}

void ListView::ChooseColourFor(PropertyItem& item) noexcept {
    const ole::ComPtr<PropertyItem> held(&item);
    ole::Variant current;
    COLORREF colour = 0;
    // A value that is no colour starts the dialog on black.
    if (FAILED(ole::ChangeType(current, item.CurrentValue(), VT_UI4)) ||
        FAILED(OleTranslateColor(V_UI4(&current.Get()), nullptr, &colour))) {
        colour = 0;
    }
    if (!dialogs_->PickColour(window_, colour)) return;
    const VARIANT picked[] = {ole::ObjectArgument(AsDispatch(&item)), ole::LongArgument(static_cast<LONG>(colour))};
    host_.Raise(events::kColourPicked, picked);
    if (&item != Selected()) return;
    VARIANT made;
    VariantInit(&made);
    V_VT(&made) = VT_UI4;
    V_UI4(&made) = colour;
    ole::Variant value = ole::Variant::Attach(made);
    const std::wstring text = FormatValue(item.Description(), value.Get());
    editor_.CommitChosen(item, std::move(value), text);
}

}  // namespace proplist
