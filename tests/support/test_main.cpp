// Entry point of every test program: a single-threaded apartment, as a control's host gives it, and
// after each test a check that no double or COM object of our own was leaked, had its count changed
// or was released once too often. It reads the counts after the fixture is gone.
#include "tests/doubles/test_double.h"

#include <ole2.h>

#include <map>

namespace {

class LeakCheck : public testing::EmptyTestEventListener {
public:
    void OnTestStart(const testing::TestInfo&) override {
        doubles::BuryDeadDoubles();
        doubles_.clear();
        for (const doubles::TestDouble* live : doubles::AllDoubles()) doubles_[live] = live->RefCount();
        objects_ = ole::Module::ObjectCount();
        locks_ = ole::Module::LockCount();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        for (const std::string& fault : doubles::BuryDeadDoubles()) ADD_FAILURE() << fault;
        for (const doubles::TestDouble* now : doubles::AllDoubles()) {
            const auto before = doubles_.find(now);
            if (before == doubles_.end() || before->second != now->RefCount()) {
                ADD_FAILURE() << now->DoubleName() << " is left with " << now->RefCount() << " reference(s), had "
                              << (before == doubles_.end() ? 0 : before->second);
            }
        }
        EXPECT_EQ(ole::Module::ObjectCount(), objects_) << "live COM objects of our own";
        EXPECT_EQ(ole::Module::LockCount(), locks_) << "server locks";
    }

private:
    std::map<const doubles::TestDouble*, ULONG> doubles_;  // the live ones' reference counts
    long objects_ = 0, locks_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return fprintf(stderr, "OleInitialize failed\n"), 1;
    testing::UnitTest::GetInstance()->listeners().Append(new LeakCheck);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
