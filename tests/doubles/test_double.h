#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace doubles {

// What every test double shares: a name for messages, a reference count that tests can read,
// and a place in the registry of live doubles, which the leak check reads after each test.
//
// A double whose count reaches 0 is not destroyed at once: it is kept until the end of the
// test, so that a test may still read its count (0) through a raw pointer, and so that a
// Release or AddRef on a dead double is caught as a fault instead of touching freed memory.
class TestDouble {
public:
    explicit TestDouble(std::string name);
    TestDouble(const TestDouble&) = delete;
    TestDouble& operator=(const TestDouble&) = delete;
    virtual ~TestDouble();

    const std::string& DoubleName() const { return name_; }
    ULONG RefCount() const { return references_; }
    bool IsDead() const { return references_ == 0; }

protected:
    ULONG CountAddRef();
    ULONG CountRelease();

private:
    std::string name_;
    ULONG references_ = 1;  // the creator's
};

struct LiveDouble {
    const TestDouble* object;
    std::string name;
    ULONG references;
};

// Every double not yet dead, with its reference count.
std::vector<LiveDouble> LiveDoubles();

// Destroys the doubles that died (and those their destruction lets die), and returns a line
// for each AddRef or Release that reached a dead double since the last call.
std::vector<std::string> BuryDeadDoubles();

}  // namespace doubles
