#include "tests/doubles/test_double.h"

#include <algorithm>
#include <utility>

namespace doubles {

namespace {

std::vector<TestDouble*>& Registry() {
    static std::vector<TestDouble*> doubles;
    return doubles;
}

std::vector<std::string>& Faults() {
    static std::vector<std::string> faults;
    return faults;
}

}  // namespace

TestDouble::TestDouble(std::string name) : name_(std::move(name)) {
    Registry().push_back(this);
}

TestDouble::~TestDouble() {
    auto& doubles = Registry();
    doubles.erase(std::remove(doubles.begin(), doubles.end(), this), doubles.end());
}

ULONG TestDouble::CountAddRef() {
    if (references_ == 0) {
        Faults().push_back("AddRef on " + name_ + " after its last Release");
        return 0;
    }
    return ++references_;
}

ULONG TestDouble::CountRelease() {
    if (references_ == 0) {
        Faults().push_back("Release on " + name_ + " after its last Release");
        return 0;
    }
    return --references_;
}

bool SameName(const std::wstring& left, const std::wstring& right) {
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

std::vector<LiveDouble> LiveDoubles() {
    std::vector<LiveDouble> live;
    for (const TestDouble* object : Registry()) {
        if (!object->IsDead()) live.push_back({object, object->DoubleName(), object->RefCount()});
    }
    return live;
}

std::vector<std::string> BuryDeadDoubles() {
    for (;;) {
        std::vector<TestDouble*> dead;
        for (TestDouble* object : Registry()) {
            if (object->IsDead()) dead.push_back(object);
        }
        if (dead.empty()) break;
        for (TestDouble* object : dead) delete object;
    }
    return std::exchange(Faults(), {});
}

}  // namespace doubles
