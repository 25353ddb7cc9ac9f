#include "tests/support/leak_check.h"

#include "ole/module.h"
#include "tests/doubles/test_double.h"

namespace support {

void LeakCheck::OnTestStart(const testing::TestInfo&) {
    doubles::BuryDeadDoubles();
    doubles_.clear();
    for (const doubles::TestDouble* live : doubles::AllDoubles()) doubles_[live] = live->RefCount();
    objects_ = ole::Module::ObjectCount();
    locks_ = ole::Module::LockCount();
}

void LeakCheck::OnTestEnd(const testing::TestInfo&) {
    for (const std::string& fault : doubles::BuryDeadDoubles()) ADD_FAILURE() << fault;
    for (const doubles::TestDouble* now : doubles::AllDoubles()) {
        const auto before = doubles_.find(now);
        if (before == doubles_.end()) {
            ADD_FAILURE() << "leaked: " << now->DoubleName() << " is still alive with " << now->RefCount()
                          << " reference(s)";
        } else if (before->second != now->RefCount()) {
            ADD_FAILURE() << "reference count of " << now->DoubleName() << " went from " << before->second << " to "
                          << now->RefCount();
        }
    }
    EXPECT_EQ(ole::Module::ObjectCount(), objects_) << "live COM objects of our own";
    EXPECT_EQ(ole::Module::LockCount(), locks_) << "server locks";
}

}  // namespace support
