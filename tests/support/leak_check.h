#pragma once

#include <gtest/gtest.h>

#include <map>

namespace doubles {
class TestDouble;
}

namespace support {

// Fails a test that ends with a test double, or one of our own COM objects, still alive that
// was not alive when it started, with a reference count changed, or with a reference released
// twice. It reads the counts after the fixture is gone, so fixture members count as released.
class LeakCheck : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo& test) override;
    void OnTestEnd(const testing::TestInfo& test) override;

private:
    std::map<const doubles::TestDouble*, unsigned long> doubles_;  // the live ones' reference counts
    long objects_ = 0, locks_ = 0;
};

}  // namespace support
