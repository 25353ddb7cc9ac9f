#include "tests/proplist/sample_objects.h"

#include "ole/variant.h"
#include "tests/support/run_time_types.h"

namespace proplist_tests {

namespace {

using ole::ComPtr;
using support::Kind;
using enum support::MemberFlags;

const support::TypeRows kSampleTypes[] = {
    {L"Shape", Kind::kEnumeration, {{L"ShapeCircle", 0}, {L"ShapeSquare", 1}, {L"ShapeTriangle", 5}}},
    {L"OLE_COLOR", Kind::kAlias, {{L"", 0, VT_UI4}}},
    {L"ISample", Kind::kDual,
     {{L"Caption", 1, VT_BSTR}, {L"Count", 2}, {L"Ratio", 3, VT_R8}, {L"Shown", 4, VT_BOOL},
      {L"Outline", 5, VT_USERDEFINED, L"Shape"}, {L"BackColor", 6, VT_USERDEFINED, L"OLE_COLOR"}, {L"Born", 7, VT_DATE},
      {L"Serial", 8, VT_I4, nullptr, kReadOnly}, {L"Child", 9, VT_DISPATCH, nullptr, kByReference},
      {L"Secret", 10, VT_I4, nullptr, kHidden}, {L"Internal", 11, VT_I4, nullptr, kRestricted},
      {L"Cell", 12, VT_BSTR, nullptr, kIndexed}, {L"Reset", 13, VT_EMPTY, nullptr, kMethod},
      {L"Values", 14, VT_VARIANT, nullptr, kReadOnly}, {L"Anything", 16, VT_VARIANT, nullptr, kReadOnly},
      {L"Small", 17, VT_I2}}},
    {L"Sample", Kind::kClass, {{L"", 0, VT_USERDEFINED, L"ISample"}}},
    {L"DSample", Kind::kDispatch,
     {{L"Title", 1, VT_BSTR, nullptr, kVariable}, {L"Size", 2, VT_I4, nullptr, kVariable | kReadOnly},
      {L"Face", 6, VT_PTR, L"Font", kVariable}, {L"Concealed", 3, VT_I4, nullptr, kReadOnly | kHidden},
      {L"Flag", 4, VT_BOOL, nullptr, kReadOnly}, {L"Go", 5, VT_EMPTY, nullptr, kMethod}}},
    {L"Corner", Kind::kEnumeration,
     {{L"CornerSharp", 1, VT_I4, nullptr, 0, L"Corners drawn square"}, {L"CornerRound", 2}}},
    {L"DFrame", Kind::kDispatch, {{L"Corners", 1, VT_USERDEFINED, L"Corner", kVariable, L"Corners of the frame"}}}};

}  // namespace

ComPtr<ITypeInfo> SampleTypeInfo(std::wstring_view name) {
    static const std::vector<ComPtr<ITypeInfo>> built = [] {
        std::vector<ComPtr<ITypeInfo>> types;
        EXPECT_EQ(support::BuildLibrary(kSampleTypes, types), S_OK);
        return types;
    }();
    for (size_t i = 0; i < built.size(); ++i) {
        if (kSampleTypes[i].name == name) return built[i];
    }
    return {};
}

std::span<const ole::InterfaceEntry> SampleObject::InterfaceTable() const noexcept {
    static constexpr ole::InterfaceEntry described[] = {ole::Implements<SampleObject, IDispatch>(),
                                                        ole::Implements<SampleObject, IProvideClassInfo>()};
    static constexpr ole::InterfaceEntry categorized[] = {ole::Implements<SampleObject, IDispatch>(),
                                                          ole::Implements<SampleObject, ICategorizeProperties>(),
                                                          ole::Implements<SampleObject, IConnectionPointContainer>()};
    if (kind_ == Kind::Categorized) return categorized;
    return std::span(described).first(kind_ == Kind::ByClassInfo ? 2 : 1);
}

HRESULT SampleObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    *info = nullptr;
    if (index != 0 || kind_ == Kind::ByClassInfo) return DISP_E_BADINDEX;
    return SampleTypeInfo(kind_ == Kind::ByClassOfDispatch ? L"Sample" : L"ISample").CopyTo(info);
}

HRESULT SampleObject::Invoke(DISPID id, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                             EXCEPINFO*, UINT*) {
    if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!parameters || parameters->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        const VARIANT& written = parameters->rgvarg[0];
        ole::Variant number;
        if (id == 2 && SUCCEEDED(ole::ChangeType(number, written, VT_I4))) count = V_I4(&number.Get());
        return S_OK;
    }
    if (!result) return E_POINTER;
    ++reads[id];
    VariantInit(result);
    switch (id) {
    case 1: return ole::Variant(std::wstring_view(L"Hello")).Detach(result), S_OK;
    case 2: return ole::Variant(count).Detach(result), S_OK;
    case 3: V_VT(result) = VT_R8, V_R8(result) = 0.5; return S_OK;
    case 4: return ole::Variant(true).Detach(result), S_OK;
    case 5: return ole::Variant(LONG{5}).Detach(result), S_OK;  // ShapeTriangle
    case 6: V_VT(result) = VT_UI4, V_UI4(result) = RGB(255, 128, 0); return S_OK;
    case 7: V_VT(result) = VT_DATE, V_DATE(result) = 45000.25; return S_OK;  // 15 March 2023, 6:00
    case 8: return ole::Variant(LONG{42}).Detach(result), S_OK;
    case 9: return ole::Variant(child.Get()).Detach(result), S_OK;
    case 16: V_VT(result) = malformedAnything; return S_OK;
    case 17: V_VT(result) = VT_I2, V_I2(result) = 7; return S_OK;
    default: return DISP_E_EXCEPTION;  // Values
    }
}

HRESULT SampleObject::MapPropertyToCategory(DISPID id, PROPCAT* category) {
    const std::map<DISPID, PROPCAT> placed = {{1, PROPCAT_Appearance}, {6, PROPCAT_Appearance}, {2, 1}, {3, 1},
                                              {4, PROPCAT_Nil}};
    const auto found = placed.find(id);
    if (found == placed.end()) return E_FAIL;
    *category = found->second;
    return S_OK;
}

HRESULT SampleObject::GetCategoryName(PROPCAT category, LCID, BSTR* name) {
    *name = category == 1 ? SysAllocString(numbers) : nullptr;
    return category == 1 ? S_OK : E_NOTIMPL;
}

}  // namespace proplist_tests
