#include "tests/doubles/recording_sinks.h"

#include <gtest/gtest.h>

namespace doubles {

HRESULT EventSink::Invoke(DISPID id, REFIID iid, LCID, WORD kind, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                          UINT*) {
    EXPECT_EQ(iid, IID_NULL);
    EXPECT_EQ(kind, DISPATCH_METHOD);
    if (!parameters) {
        ADD_FAILURE() << DoubleName() << ": event without DISPPARAMS";
        return E_POINTER;
    }
    Event event{id, {}};
    for (UINT i = parameters->cArgs; i > 0; --i) {
        ole::Variant copy;
        EXPECT_EQ(copy.CopyFrom(parameters->rgvarg[i - 1]), S_OK);
        event.arguments.push_back(std::move(copy));
    }
    events_.push_back(std::move(event));
    if (action_) action_(id, *parameters);
    return S_OK;
}

}  // namespace doubles
