#include "ole/module.h"

#include <atomic>

namespace ole {

namespace {

std::atomic<long> liveObjects{0};
std::atomic<long> serverLocks{0};

}  // namespace

void Module::Lock() noexcept { ++serverLocks; }
void Module::Unlock() noexcept { --serverLocks; }
long Module::ObjectCount() noexcept { return liveObjects.load(); }
long Module::LockCount() noexcept { return serverLocks.load(); }
void Module::ObjectCreated() noexcept { ++liveObjects; }
void Module::ObjectDestroyed() noexcept { --liveObjects; }

}  // namespace ole
