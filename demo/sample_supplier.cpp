#include "demo/sample_supplier.h"

#include "demo/sample_values.h"

#include <array>

namespace demo {

std::span<const ole::InterfaceEntry> SupplierAddress::InterfaceTable() noexcept {
    static constexpr std::array<ole::InterfaceEntry, 2> table{
        ole::Implements<SupplierAddress, IAddress>(),
        ole::Implements<SupplierAddress, IDispatch, IAddress>(),
    };
    return table;
}

IFACEMETHODIMP SupplierAddress::get_Street(BSTR* value) { return StoreText(street_, value); }
IFACEMETHODIMP SupplierAddress::put_Street(BSTR value) { return AssignText(value, street_); }
IFACEMETHODIMP SupplierAddress::get_City(BSTR* value) { return StoreText(city_, value); }
IFACEMETHODIMP SupplierAddress::put_City(BSTR value) { return AssignText(value, city_); }
IFACEMETHODIMP SupplierAddress::get_PostCode(BSTR* value) { return StoreText(postCode_, value); }
IFACEMETHODIMP SupplierAddress::put_PostCode(BSTR value) { return AssignText(value, postCode_); }
IFACEMETHODIMP SupplierAddress::get_Country(BSTR* value) { return StoreText(country_, value); }

std::span<const ole::InterfaceEntry> Supplier::InterfaceTable() noexcept {
    static constexpr std::array<ole::InterfaceEntry, 2> table{
        ole::Implements<Supplier, ISupplier>(),
        ole::Implements<Supplier, IDispatch, ISupplier>(),
    };
    return table;
}

HRESULT Supplier::FinalConstruct() noexcept {
    ole::ComPtr<SupplierAddress> address;
    RETURN_IF_FAILED(ole::MakeObject(address));
    return address->QueryInterface(IID_IDispatch, address_.PutVoid());
}

IFACEMETHODIMP Supplier::get_Name(BSTR* value) { return StoreText(name_, value); }
IFACEMETHODIMP Supplier::put_Name(BSTR value) { return AssignText(value, name_); }
IFACEMETHODIMP Supplier::get_Phone(BSTR* value) { return StoreText(phone_, value); }
IFACEMETHODIMP Supplier::put_Phone(BSTR value) { return AssignText(value, phone_); }
IFACEMETHODIMP Supplier::get_Account(LONG* value) { return Store(account_, value); }

IFACEMETHODIMP Supplier::get_Address(IDispatch** value) {
    if (!value) return E_POINTER;
    return address_.CopyTo(value);
}

IFACEMETHODIMP Supplier::get_Customer(IDispatch** value) {
    if (!value) return E_POINTER;
    return ole::ComPtr<IDispatch>(customer_).CopyTo(value);
}

}  // namespace demo
