#include "tests/support/leak_check.h"

#include "ole/module.h"
#include "tests/doubles/test_double.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace support {

struct LeakCheck::Snapshot {
    std::vector<doubles::LiveDouble> doubles;
    long moduleObjects;
    long moduleLocks;
};

void LeakCheck::OnTestStart(const testing::TestInfo&) {
    doubles::BuryDeadDoubles();
    delete start_;
    start_ = new Snapshot{doubles::LiveDoubles(), ole::Module::ObjectCount(), ole::Module::LockCount()};
}

void LeakCheck::OnTestEnd(const testing::TestInfo&) {
    std::unique_ptr<Snapshot> start(std::exchange(start_, nullptr));
    if (!start) return;
    for (const std::string& fault : doubles::BuryDeadDoubles()) ADD_FAILURE() << fault;
    for (const doubles::LiveDouble& now : doubles::LiveDoubles()) {
        const auto before = std::find_if(start->doubles.begin(), start->doubles.end(),
                                         [&](const doubles::LiveDouble& d) { return d.object == now.object; });
        if (before == start->doubles.end()) {
            ADD_FAILURE() << "leaked: " << now.name << " is still alive with " << now.references
                          << " reference(s)";
        } else if (before->references != now.references) {
            ADD_FAILURE() << "reference count of " << now.name << " went from " << before->references << " to "
                          << now.references;
        }
    }
    EXPECT_EQ(ole::Module::ObjectCount(), start->moduleObjects) << "live COM objects of our own";
    EXPECT_EQ(ole::Module::LockCount(), start->moduleLocks) << "server locks";
}

}  // namespace support
