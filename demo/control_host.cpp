#include "demo/control_host.h"

#include "ole/bstr.h"
#include "ole/error_info.h"
#include "ole/hresult.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "control/control_interface.h"

#include <algorithm>
#include <cstdio>

using ole::ComPtr;
using ole::Variant;

namespace demo {

namespace {

constexpr UINT kAfterPopulate = 0;
constexpr UINT kPropertyChanged = 1;

// The names of the client's properties that read without arguments, in declaration order.
HRESULT PropertyNames(IDispatch* client, std::vector<std::wstring>& names) {
    names.clear();
    UINT count = 0;
    if (FAILED(client->GetTypeInfoCount(&count)) || count == 0) return TYPE_E_ELEMENTNOTFOUND;
    ComPtr<ITypeInfo> info;
    RETURN_IF_FAILED(client->GetTypeInfo(0, ole::kLateBoundLocale, info.Put()));
    TYPEATTR* attributes = nullptr;
    RETURN_IF_FAILED(info->GetTypeAttr(&attributes));
    const WORD functions = attributes->cFuncs;
    const WORD variables = attributes->cVars;
    info->ReleaseTypeAttr(attributes);
    const auto add = [&](MEMBERID id) {
        BSTR name = nullptr;
        if (FAILED(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr))) return;
        const ole::Bstr owned = ole::Bstr::Attach(name);
        std::wstring text(owned.View());
        if (std::find(names.begin(), names.end(), text) == names.end()) names.push_back(std::move(text));
    };
    for (UINT index = 0; index < variables; ++index) {
        VARDESC* variable = nullptr;
        if (FAILED(info->GetVarDesc(index, &variable))) continue;
        const MEMBERID id = variable->memid;
        info->ReleaseVarDesc(variable);
        add(id);
    }
    for (UINT index = 0; index < functions; ++index) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(index, &function))) continue;
        const bool readable = function->invkind == INVOKE_PROPERTYGET && function->cParams == 0;
        const MEMBERID id = function->memid;
        info->ReleaseFuncDesc(function);
        if (readable) add(id);
    }
    return S_OK;
}

HRESULT ReadRow(IDispatch* item, ItemRow& row) {
    Variant name, value, readOnly, style, visible;
    RETURN_IF_FAILED(ole::GetProperty(item, L"Name", name));
    RETURN_IF_FAILED(ole::GetProperty(item, L"Value", value));
    RETURN_IF_FAILED(ole::GetProperty(item, L"ReadOnly", readOnly));
    RETURN_IF_FAILED(ole::GetProperty(item, L"Style", style));
    RETURN_IF_FAILED(ole::GetProperty(item, L"Visible", visible));
    row.name = ValueText(name.Get());
    row.value = ValueText(value.Get());
    row.readOnly = V_VT(&readOnly.Get()) == VT_BOOL && V_BOOL(&readOnly.Get()) != VARIANT_FALSE;
    row.visible = V_VT(&visible.Get()) == VT_BOOL && V_BOOL(&visible.Get()) != VARIANT_FALSE;
    Variant number;
    RETURN_IF_FAILED(ole::ChangeType(number, style.Get(), VT_I4));
    row.style = V_I4(&number.Get());
    return S_OK;
}

}  // namespace

// atl.dll stays loaded once loaded: the window classes that AtlAxWinInit registers stay too.
HRESULT AtlContainer::Load() noexcept {
    if (atl_) return S_OK;
    HMODULE atl = LoadLibraryW(L"atl.dll");
    if (!atl) return HRESULT_FROM_WIN32(GetLastError());
    const auto init = reinterpret_cast<InitFunction>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    const auto create =
        reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControlEx")));
    if (!init || !create) {
        FreeLibrary(atl);
        return E_NOTIMPL;
    }
    // AtlAxWinInit registers the container's window classes, once a process: a second call fails
    // on the classes the first one registered.
    static const bool initialized = init() != FALSE;
    if (!initialized) {
        FreeLibrary(atl);
        return E_FAIL;
    }
    atl_ = atl;
    create_ = create;
    return S_OK;
}

HRESULT AtlContainer::CreateControl(const wchar_t* progId, HWND window, ComPtr<IUnknown>& container,
                                    ComPtr<IUnknown>& control) const noexcept {
    if (!create_) return E_UNEXPECTED;
    container.Reset();
    control.Reset();
    return create_(progId, window, nullptr, container.Put(), control.Put(), IID_NULL, nullptr);
}

HRESULT InspectaHost::Open(const AtlContainer& atl, HWND window) noexcept {
    Close();
    ComPtr<IUnknown> container, control;
    RETURN_IF_FAILED(atl.CreateControl(L"InspectaCtl.Inspecta", window, container, control));
    if (!control) return E_NOINTERFACE;
    ComPtr<IDispatch> automation;
    RETURN_IF_FAILED(control->QueryInterface(IID_IDispatch, automation.PutVoid()));
    RETURN_IF_FAILED(events_.Connect(control.Get(), DIID___Inspecta, *this));
    container_ = std::move(container);
    controlUnknown_ = std::move(control);
    control_ = std::move(automation);
    return S_OK;
}

void InspectaHost::Close() noexcept {
    events_.Disconnect();
    ComPtr<IDispatch> control = std::move(control_);
    ComPtr<IUnknown> unknown = std::move(controlUnknown_);
    ComPtr<IUnknown> container = std::move(container_);
}

HRESULT InspectaHost::Bind(IDispatch* client) noexcept {
    if (!control_) return E_UNEXPECTED;
    const Variant value(client);
    return ole::PutProperty(control_.Get(), L"ClientObject", value.Get());
}

HRESULT InspectaHost::RefreshValues() noexcept {
    if (!control_) return E_UNEXPECTED;
    return ole::CallMethod(control_.Get(), L"RefreshValues", {}, nullptr);
}

HRESULT InspectaHost::SetOption(const wchar_t* option, bool value) noexcept {
    if (!control_) return E_UNEXPECTED;
    return ole::PutProperty(control_.Get(), option, Variant(value).Get());
}

HRESULT InspectaHost::Option(const wchar_t* option, bool& value) noexcept {
    if (!control_) return E_UNEXPECTED;
    Variant current;
    RETURN_IF_FAILED(ole::GetProperty(control_.Get(), option, current));
    Variant truth;
    RETURN_IF_FAILED(ole::ChangeType(truth, current.Get(), VT_BOOL));
    value = V_BOOL(&truth.Get()) != VARIANT_FALSE;
    return S_OK;
}

HRESULT InspectaHost::Toggle(const wchar_t* option, bool& now) noexcept {
    bool current = false;
    RETURN_IF_FAILED(Option(option, current));
    RETURN_IF_FAILED(SetOption(option, !current));
    now = !current;
    return S_OK;
}

HRESULT InspectaHost::About() noexcept {
    if (!control_) return E_UNEXPECTED;
    return ole::CallMethod(control_.Get(), L"About", {}, nullptr);
}

HRESULT InspectaHost::OnEvent(UINT position, DISPPARAMS& parameters) {
    if (position == kAfterPopulate) {
        printer_(L"AfterPopulate");
    } else if (position == kPropertyChanged && parameters.cArgs == 2) {
        // Arguments arrive last first: the value, then the name.
        Variant name, value;
        RETURN_IF_FAILED(VariantCopyInd(name.Out(), &parameters.rgvarg[1]));
        RETURN_IF_FAILED(VariantCopyInd(value.Out(), &parameters.rgvarg[0]));
        printer_(L"PropertyChanged " + ValueText(name.Get()) + L" = " + ValueText(value.Get()));
    }
    return S_OK;
}

HRESULT ReadItems(IDispatch* control, IDispatch* client, std::vector<ItemRow>& rows) noexcept {
    rows.clear();
    if (!control || !client) return E_POINTER;
    return ole::Guarded([&]() -> HRESULT {
        std::vector<std::wstring> names;
        RETURN_IF_FAILED(PropertyNames(client, names));
        DISPID itemId = DISPID_UNKNOWN;
        LPOLESTR itemName = const_cast<LPOLESTR>(L"Item");
        RETURN_IF_FAILED(control->GetIDsOfNames(IID_NULL, &itemName, 1, ole::kLateBoundLocale, &itemId));
        for (const std::wstring& name : names) {
            const Variant key(name);
            Variant item;
            // Members the list made no item for (hidden, restricted) are not in the collection.
            if (FAILED(ole::InvokeMember(control, itemId, DISPATCH_PROPERTYGET, {&key.Get(), 1}, &item))) continue;
            if (V_VT(&item.Get()) != VT_DISPATCH || !V_DISPATCH(&item.Get())) continue;
            ItemRow row;
            RETURN_IF_FAILED(ReadRow(V_DISPATCH(&item.Get()), row));
            rows.push_back(std::move(row));
        }
        ole::ClearErrorInfo();
        return S_OK;
    });
}

std::wstring FormatTable(const std::vector<ItemRow>& rows) {
    const std::wstring headings[] = {L"name", L"value", L"read-only", L"style", L"visible"};
    std::vector<std::vector<std::wstring>> cells;
    cells.push_back({std::begin(headings), std::end(headings)});
    for (const ItemRow& row : rows) {
        cells.push_back({row.name, row.value, row.readOnly ? L"yes" : L"no", std::to_wstring(row.style),
                         row.visible ? L"yes" : L"no"});
    }
    size_t widths[5] = {};
    for (const auto& line : cells) {
        for (size_t column = 0; column < 5; ++column) widths[column] = std::max(widths[column], line[column].size());
    }
    std::wstring table;
    for (size_t index = 0; index < cells.size(); ++index) {
        std::wstring line;
        for (size_t column = 0; column < 5; ++column) {
            std::wstring cell = cells[index][column];
            if (column + 1 < 5) cell.resize(widths[column], L' ');
            line += cell;
            if (column + 1 < 5) line += L"  ";
        }
        table += line + L"\n";
        if (index == 0) {
            std::wstring rule;
            for (size_t column = 0; column < 5; ++column) {
                rule += std::wstring(widths[column], L'-');
                if (column + 1 < 5) rule += L"  ";
            }
            table += rule + L"\n";
        }
    }
    return table;
}

std::wstring ValueText(const VARIANT& value) {
    const VARTYPE type = V_VT(&value);
    if (type & VT_ARRAY) return L"(array)";
    switch (type) {
    case VT_EMPTY: return L"(empty)";
    case VT_NULL: return L"(null)";
    case VT_DISPATCH:
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? L"(object)" : L"(nothing)";
    case VT_BOOL: return V_BOOL(&value) != VARIANT_FALSE ? L"True" : L"False";
    default: break;
    }
    return ole::TextOf(value, ole::kLateBoundLocale).value_or(L"(" + std::to_wstring(type) + L")");
}

std::wstring DescribeFailure(HRESULT hr) {
    wchar_t code[16] = {};
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    std::wstring line = code;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)) && description) {
            line += L": ";
            line += description;
        }
        SysFreeString(description);
        return line;
    }
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0,
                                        nullptr);
    if (length && message) {
        std::wstring text(message, length);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
        line += L": " + text;
    }
    if (message) LocalFree(message);
    return line;
}

}  // namespace demo
