#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace about {

// Where the box takes its texts from: an application's title, version and legal strings.
// Reads may fail; the box treats a failure as its own (comments excepted, which count as empty).
class ApplicationInfo {
public:
    virtual ~ApplicationInfo() = default;
    virtual HRESULT Title(std::wstring* value) = 0;
    virtual HRESULT Major(short* value) = 0;
    virtual HRESULT Minor(short* value) = 0;
    virtual HRESULT Revision(short* value) = 0;
    virtual HRESULT Comments(std::wstring* value) = 0;
    virtual HRESULT LegalCopyright(std::wstring* value) = 0;
};

// The answers of a module's own version block: file version a.b.c.d gives Major a, Minor b and
// Revision d; the title is the product name. A module without a version block answers every read
// with the error of the failed lookup; a string the block lacks reads as empty.
std::shared_ptr<ApplicationInfo> ModuleApplicationInfo(HMODULE module);

}  // namespace about
