#pragma once

#include "ole/com_object.h"
#include "ole/dispatch_impl.h"

#include "demo_sample.h"

#include <windows.h>

#include <span>
#include <string>

namespace demo {

// Where the sample supplier is: plain text properties, one read-only.
class SupplierAddress final : public ole::ComObject<SupplierAddress, ole::DispatchImpl<IAddress>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;

    IFACEMETHODIMP get_Street(BSTR* value) override;
    IFACEMETHODIMP put_Street(BSTR value) override;
    IFACEMETHODIMP get_City(BSTR* value) override;
    IFACEMETHODIMP put_City(BSTR value) override;
    IFACEMETHODIMP get_PostCode(BSTR* value) override;
    IFACEMETHODIMP put_PostCode(BSTR value) override;
    IFACEMETHODIMP get_Country(BSTR* value) override;

private:
    std::wstring street_ = L"12 Foundry Lane";
    std::wstring city_ = L"Sheffield";
    std::wstring postCode_ = L"S3 8RT";
    std::wstring country_ = L"United Kingdom";
};

// The firm a sample record comes from. Its address is an object of its own, and its customer
// leads back to the record, so that a list meets both an object inside an object and a cycle.
class Supplier final : public ole::ComObject<Supplier, ole::DispatchImpl<ISupplier>> {
public:
    static std::span<const ole::InterfaceEntry> InterfaceTable() noexcept;
    HRESULT FinalConstruct() noexcept;

    // The record owns its supplier, so the way back is not counted (or neither would ever go):
    // the record names itself here and clears the name before it goes.
    void SetCustomer(IDispatch* record) noexcept { customer_ = record; }

    IFACEMETHODIMP get_Name(BSTR* value) override;
    IFACEMETHODIMP put_Name(BSTR value) override;
    IFACEMETHODIMP get_Phone(BSTR* value) override;
    IFACEMETHODIMP put_Phone(BSTR value) override;
    IFACEMETHODIMP get_Account(LONG* value) override;
    IFACEMETHODIMP get_Address(IDispatch** value) override;
    IFACEMETHODIMP get_Customer(IDispatch** value) override;

private:
    std::wstring name_ = L"Oak & Iron Ltd";
    std::wstring phone_ = L"+44 114 496 0321";
    LONG account_ = 7;
    ole::ComPtr<IDispatch> address_;
    IDispatch* customer_ = nullptr;
};

}  // namespace demo
