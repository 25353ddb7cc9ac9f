#include "about/application_info.h"

#include <vector>

namespace about {

namespace {

class VersionBlockInfo final : public ApplicationInfo {
public:
    explicit VersionBlockInfo(HMODULE module) { status_ = Read(module); }

    HRESULT Title(std::wstring* value) override { return Text(title_, value); }
    HRESULT Major(short* value) override { return Number(major_, value); }
    HRESULT Minor(short* value) override { return Number(minor_, value); }
    HRESULT Revision(short* value) override { return Number(revision_, value); }
    HRESULT Comments(std::wstring* value) override { return Text(comments_, value); }
    HRESULT LegalCopyright(std::wstring* value) override { return Text(copyright_, value); }

private:
    HRESULT Read(HMODULE module) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
        if (!found) return HRESULT_FROM_WIN32(GetLastError());
        HGLOBAL loaded = LoadResource(module, found);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data) return HRESULT_FROM_WIN32(GetLastError());
        // VerQueryValue may write into the block it reads, so it gets a copy.
        const auto* bytes = static_cast<const BYTE*>(data);
        std::vector<BYTE> block(bytes, bytes + SizeofResource(module, found));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
            length < sizeof(VS_FIXEDFILEINFO)) {
            return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
        }
        major_ = static_cast<short>(HIWORD(fixed->dwFileVersionMS));
        minor_ = static_cast<short>(LOWORD(fixed->dwFileVersionMS));
        revision_ = static_cast<short>(LOWORD(fixed->dwFileVersionLS));

        std::wstring table = L"040904B0";
        struct Translation {
            WORD language;
            WORD codePage;
        }* translations = nullptr;
        if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                           &length) &&
            length >= sizeof(Translation)) {
            wchar_t name[9];
            swprintf(name, 9, L"%04X%04X", translations->language, translations->codePage);
            table = name;
        }
        title_ = String(block, table, L"ProductName");
        comments_ = String(block, table, L"Comments");
        copyright_ = String(block, table, L"LegalCopyright");
        return S_OK;
    }

    static std::wstring String(std::vector<BYTE>& block, const std::wstring& table, const wchar_t* key) {
        const std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + key;
        wchar_t* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
            return {};
        }
        std::wstring text(value, length);
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return text;
    }

    HRESULT Text(const std::wstring& field, std::wstring* value) const {
        if (!value) return E_POINTER;
        if (FAILED(status_)) return status_;
        *value = field;
        return S_OK;
    }
    HRESULT Number(short field, short* value) const {
        if (!value) return E_POINTER;
        if (FAILED(status_)) return status_;
        *value = field;
        return S_OK;
    }

    HRESULT status_ = E_UNEXPECTED;
    std::wstring title_;
    std::wstring comments_;
    std::wstring copyright_;
    short major_ = 0;
    short minor_ = 0;
    short revision_ = 0;
};

}  // namespace

std::shared_ptr<ApplicationInfo> ModuleApplicationInfo(HMODULE module) {
    return std::make_shared<VersionBlockInfo>(module);
}

}  // namespace about
