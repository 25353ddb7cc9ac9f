// The list double as a control: just enough of IOleObject for a container to place it.
#include "tests/doubles/fake_list.h"

#include <string>

namespace doubles {

IFACEMETHODIMP FakeList::SetClientSite(IOleClientSite* site) {
    state_->log.push_back(site ? L"SetClientSite" : L"SetClientSite(null)");
    site_ = site;
    return S_OK;
}

IFACEMETHODIMP FakeList::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    return site_.CopyTo(site);
}

IFACEMETHODIMP FakeList::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

IFACEMETHODIMP FakeList::Close(DWORD) {
    state_->log.push_back(L"Close");
    return S_OK;
}

IFACEMETHODIMP FakeList::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

IFACEMETHODIMP FakeList::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

IFACEMETHODIMP FakeList::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position) {
    state_->log.push_back(L"DoVerb(" + std::to_wstring(verb) + L")");
    if (position) LogPosition(*position);
    return S_OK;
}

IFACEMETHODIMP FakeList::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::Update() { return S_OK; }
IFACEMETHODIMP FakeList::IsUpToDate() { return S_OK; }

IFACEMETHODIMP FakeList::GetUserClassID(CLSID* classId) {
    if (!classId) return E_POINTER;
    *classId = CLSID_Kavella;
    return S_OK;
}

IFACEMETHODIMP FakeList::GetUserType(DWORD, LPOLESTR* name) {
    if (name) *name = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::SetExtent(DWORD, SIZEL*) { return S_OK; }

IFACEMETHODIMP FakeList::GetExtent(DWORD, SIZEL* size) {
    if (!size) return E_POINTER;
    *size = {4471, 4471};
    return S_OK;
}

IFACEMETHODIMP FakeList::Advise(IAdviseSink*, DWORD* cookie) {
    if (cookie) *cookie = 0;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::Unadvise(DWORD) { return E_NOTIMPL; }

IFACEMETHODIMP FakeList::EnumAdvise(IEnumSTATDATA** advises) {
    if (advises) *advises = nullptr;
    return E_NOTIMPL;
}

IFACEMETHODIMP FakeList::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE;
    return S_OK;
}

IFACEMETHODIMP FakeList::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

IFACEMETHODIMP FakeList::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = nullptr;
    return E_FAIL;  // a windowless double
}

IFACEMETHODIMP FakeList::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

IFACEMETHODIMP FakeList::InPlaceDeactivate() {
    state_->log.push_back(L"InPlaceDeactivate");
    return S_OK;
}

IFACEMETHODIMP FakeList::UIDeactivate() { return S_OK; }

IFACEMETHODIMP FakeList::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    LogPosition(*position);
    return S_OK;
}

void FakeList::LogPosition(const RECT& position) {
    state_->log.push_back(L"Position " + std::to_wstring(position.left) + L"," + std::to_wstring(position.top) + L"," +
                          std::to_wstring(position.right) + L"," + std::to_wstring(position.bottom));
}

IFACEMETHODIMP FakeList::ReactivateAndUndo() { return E_NOTIMPL; }

}  // namespace doubles
