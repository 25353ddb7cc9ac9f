#include "tests/doubles/test_double.h"

#include <algorithm>

namespace doubles {

namespace {

std::vector<TestDouble*> registry;
std::vector<std::string> faults;

}  // namespace

TestDouble::TestDouble(std::string name) : name_(std::move(name)) { registry.push_back(this); }

TestDouble::~TestDouble() { registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end()); }

ULONG TestDouble::Count(int change) {
    if (references_ == 0) {
        faults.push_back((change > 0 ? "AddRef on " : "Release on ") + name_ + " after its last Release");
        return 0;
    }
    return references_ = static_cast<ULONG>(static_cast<long>(references_) + change);
}

bool SameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

const std::vector<TestDouble*>& AllDoubles() { return registry; }

std::vector<std::string> BuryDeadDoubles() {
    for (;;) {
        std::vector<TestDouble*> dead;
        std::copy_if(registry.begin(), registry.end(), std::back_inserter(dead), [](auto* d) { return d->IsDead(); });
        if (dead.empty()) return std::exchange(faults, {});
        for (TestDouble* object : dead) delete object;
    }
}

}  // namespace doubles
