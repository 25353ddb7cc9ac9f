#include "proplist/item_categories.h"

#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "ole/hresult.h"
#include "proplist/categorize_properties.h"

#include <map>

namespace proplist {

namespace {

// The names the predefined categories go by when the object does not name them itself.
const wchar_t* PredefinedName(PROPCAT category) noexcept {
    static constexpr const wchar_t* names[] = {L"Misc",     L"Font", L"Position", L"Appearance", L"Behavior",
                                               L"Data",     L"List", L"Text",     L"Scale",      L"DDE"};
    const int index = PROPCAT_Misc - category;
    return index >= 0 && index < static_cast<int>(std::size(names)) ? names[index] : names[0];
}

std::shared_ptr<const std::wstring> NameOf(ICategorizeProperties* categories, PROPCAT category) {
    ole::Bstr name;
    if (SUCCEEDED(categories->GetCategoryName(category, LOCALE_USER_DEFAULT, name.Out())) && !name.View().empty()) {
        return std::make_shared<const std::wstring>(name.View());
    }
    return std::make_shared<const std::wstring>(PredefinedName(category));
}

}  // namespace

void AssignCategories(IDispatch* object, const std::vector<MEMBERID>& ids,
                      std::vector<ItemDescription>& properties) noexcept {
    ole::ComPtr<ICategorizeProperties> categories;
    if (!object || FAILED(object->QueryInterface(__uuidof(ICategorizeProperties), categories.PutVoid())) ||
        !categories) {
        return;
    }
    // Without categories the list is still complete: a failure here costs only the grouping.
    ole::Guarded([&] {
        std::map<PROPCAT, std::shared_ptr<const std::wstring>> named;
        for (size_t i = 0; i < properties.size() && i < ids.size(); ++i) {
            PROPCAT category = PROPCAT_Nil;
            if (FAILED(categories->MapPropertyToCategory(ids[i], &category)) || category == PROPCAT_Nil) {
                category = PROPCAT_Misc;
            }
            auto& name = named[category];
            if (!name) name = NameOf(categories.Get(), category);
            properties[i].category = name;
        }
        return S_OK;
    });
}

}  // namespace proplist
