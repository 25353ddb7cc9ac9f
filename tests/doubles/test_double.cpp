#include "tests/doubles/test_double.h"

#include <algorithm>
#include <utility>

namespace doubles {

namespace {

std::vector<TestDouble*> registry;
std::vector<std::string> faults;

}  // namespace

TestDouble::TestDouble(std::string name) : name_(std::move(name)) {
    registry.push_back(this);
}

TestDouble::~TestDouble() {
    registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
}

ULONG TestDouble::Count(int change, const char* call) {
    if (references_ == 0) {
        faults.push_back(call + (" on " + name_) + " after its last Release");
        return 0;
    }
    references_ = static_cast<ULONG>(static_cast<long>(references_) + change);
    return references_;
}

bool SameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

const std::vector<TestDouble*>& AllDoubles() { return registry; }

std::vector<std::string> BuryDeadDoubles() {
    for (;;) {
        std::vector<TestDouble*> dead;
        for (TestDouble* object : registry) {
            if (object->IsDead()) dead.push_back(object);
        }
        if (dead.empty()) break;
        for (TestDouble* object : dead) delete object;
    }
    return std::exchange(faults, {});
}

}  // namespace doubles
