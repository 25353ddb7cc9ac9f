#include "proplist/list_errors.h"

#include "ole/automation_error.h"

namespace proplist {

HRESULT RaiseListError(ListError error, REFIID iid) noexcept {
    struct Known {
        long number;
        const wchar_t* description;
    };
    static constexpr Known known[] = {
        {9, L"Subscript out of range: no item has that name or position"},
        {380, L"Invalid property value"},
        {424, L"Object required: PopulateFromObject lists the properties of an automation object"},
        {438, L"The object has no type information, so its properties cannot be listed"},
    };
    const Known& raised = known[error];
    return ole::RaiseAutomationError(raised.number, L"KavellaCtl.Kavella", raised.description, iid);
}

}  // namespace proplist
