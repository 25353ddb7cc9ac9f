#pragma once

#include "ole/com_object.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace doubles {

// What every test double shares: a name for messages, a reference count that tests can read, and
// a place in the registry of live doubles that the leak check reads after each test. A double whose
// count reaches 0 is kept until the end of the test, so that its count (0) can still be read and a
// call on it is recorded as a fault instead of touching freed memory.
class TestDouble {
public:
    explicit TestDouble(std::string name);
    virtual ~TestDouble();

    const std::string& DoubleName() const { return name_; }
    ULONG RefCount() const { return references_; }
    bool IsDead() const { return references_ == 0; }

protected:
    ULONG Count(int change);

private:
    std::string name_;
    ULONG references_ = 1;  // the creator's
};

// The base of every COM double: the runtime's table-driven QueryInterface (`Derived` lists its
// rows in InterfaceTable, as product classes do) over a count that tests can read.
template <typename Derived, typename... Interfaces>
class Double : public Interfaces..., public TestDouble {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        Derived* self = static_cast<Derived*>(this);
        return ole::QueryInterfaceFromTable(self, self->InterfaceTable(), iid, object);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return Count(+1); }
    IFACEMETHODIMP_(ULONG) Release() override { return Count(-1); }

    template <typename... Arguments>
    static ole::ComPtr<Derived> Make(Arguments&&... arguments) {
        ole::ComPtr<Derived> made;
        made.Attach(new Derived(std::forward<Arguments>(arguments)...));
        return made;
    }

protected:
    explicit Double(std::string name) : TestDouble(std::move(name)) {}

    // A method the code under test must never call: the call fails the test.
    HRESULT Unexpected(const char* method) const {
        ADD_FAILURE() << method << " called on " << DoubleName();
        return E_NOTIMPL;
    }
};

// Names compare as automation's do: ordinally, without regard to case.
bool SameName(const std::wstring& left, const std::wstring& right);

const std::vector<TestDouble*>& AllDoubles();

// Destroys the doubles that died (and those their destruction lets die), and returns a line for
// each AddRef or Release that reached a dead double since the last call.
std::vector<std::string> BuryDeadDoubles();

}  // namespace doubles
