// A host that finds both libraries through its application manifest, with neither registered:
// it creates the control by ProgID and binds VBScript's RegExp, which makes the control create
// its list (the items come from the list). Prints what it met; exit code 0 when all of it worked.
#include "ole/bstr.h"
#include "ole/com_ptr.h"
#include "control/control_interface.h"

#include <cstdio>

namespace {

int Fail(const char* step, HRESULT hr) {
    std::printf("%s failed: 0x%08lx\n", step, static_cast<unsigned long>(hr));
    return 1;
}

int Run() {
    CLSID control{}, pattern{};
    HRESULT hr = CLSIDFromProgID(L"InspectaCtl.Inspecta", &control);
    if (FAILED(hr)) return Fail("CLSIDFromProgID(InspectaCtl.Inspecta)", hr);
    ole::ComPtr<_Inspecta> inspector;
    hr = CoCreateInstance(control, nullptr, CLSCTX_INPROC_SERVER, IID__Inspecta, inspector.PutVoid());
    if (FAILED(hr)) return Fail("creating the control", hr);
    ole::ComPtr<IDispatch> expression;
    if (FAILED(hr = CLSIDFromProgID(L"VBScript.RegExp", &pattern)) ||
        FAILED(hr = CoCreateInstance(pattern, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, expression.PutVoid()))) {
        return Fail("creating VBScript.RegExp", hr);
    }
    if (FAILED(hr = inspector->putref_ClientObject(expression.Get()))) return Fail("binding the object", hr);
    ole::ComPtr<IPropertyItem> item;
    ole::Bstr key(L"Pattern"), name;
    if (FAILED(hr = inspector->get_Item(key.Get(), item.Put()))) return Fail("Item(\"Pattern\")", hr);
    if (FAILED(hr = item->get_Name(name.Out()))) return Fail("the item's Name", hr);
    std::printf("created InspectaCtl.Inspecta and its list; Item(\"Pattern\").Name = %ls\n", name.Get());
    return 0;
}

}  // namespace

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    const int result = Run();
    CoUninitialize();
    return result;
}
