// Prints how long the engine takes to fill the list and to read values, against a baseline of
// the bare late-bound reads of the same properties, measured in the same run. Not a test: the
// figures are for people to read.
#include "benchmarks/timing.h"
#include "benchmarks/typelib_client.h"
#include "binding/binding_engine.h"
#include "ole/late_bound.h"
#include "ole/variant.h"
#include "tests/doubles/fake_list.h"

#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// For every property: look the name up, then read it.
void Baseline(IDispatch* client, UINT count) {
    for (UINT i = 0; i < count; ++i) {
        std::wstring name = PropertyName(i);
        LPOLESTR names[] = {name.data()};
        DISPID id = DISPID_UNKNOWN;
        client->GetIDsOfNames(IID_NULL, names, 1, 1033, &id);
        DISPPARAMS none{};
        ole::Variant value;
        client->Invoke(id, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, value.Out(), nullptr, nullptr);
    }
}

int Measure(UINT count, bool described, double& refreshTime, double& readTime, double& baselineTime) {
    ole::ComPtr<IDispatch> client;
    TypelibClientCalls* calls = nullptr;
    if (FAILED(MakeClient(count, described, client, calls))) return 1;

    ole::ComPtr<doubles::FakeList> list = doubles::FakeList::Create();
    list->SetLogging(false);
    std::vector<doubles::CatalogueEntry> catalogue;
    for (UINT i = 0; i < count; ++i) catalogue.push_back({PropertyName(i)});
    list->SetCatalogue(catalogue);

    ole::ComPtr<InspectaSupport> support;
    if (FAILED(ole::MakeObject(support)) || FAILED(support->SetKavella(static_cast<_Kavella*>(list.Get())))) return 1;

    baselineTime = Best([&] { Baseline(client.Get(), count); });
    // Each run starts from an empty list; only the refresh that fills it is timed.
    refreshTime = 1e30;
    for (int i = 0; i < 5; ++i) {
        support->SetClientObject(nullptr);
        const double start = Now();
        support->SetClientObject(client.Get());
        refreshTime = std::min(refreshTime, Now() - start);
    }
    *calls = {};
    readTime = Best([&] { support->ReadProperties(); }, 1);
    const double lookupsPerItem = static_cast<double>(calls->lookups) / count;
    const double readsPerItem = static_cast<double>(calls->invokes) / count;
    readTime = std::min(readTime, Best([&] { support->ReadProperties(); }));
    std::printf("%8u  %10.3f  %10.3f  %10.3f  %8.2f  %8.2f  %6.2f / %.2f\n", count, baselineTime * 1e3,
                refreshTime * 1e3, readTime * 1e3, refreshTime / baselineTime, readTime / baselineTime, lookupsPerItem,
                readsPerItem);
    support->SetClientObject(nullptr);
    support->SetKavella(nullptr);
    return 0;
}

int Table(const char* title, bool described, std::vector<UINT> counts) {
    std::printf("\n%s (times in ms, best of 5)\n", title);
    std::printf("%8s  %10s  %10s  %10s  %8s  %8s  %s\n", "N", "baseline", "Refresh", "Read", "Refresh/", "Read/",
                "client calls per item");
    std::printf("%8s  %10s  %10s  %10s  %8s  %8s  %s\n", "", "", "", "", "baseline", "baseline", "(lookups / reads)");
    std::vector<double> reads;
    std::vector<double> refreshes;
    for (UINT count : counts) {
        double refresh = 0, read = 0, baseline = 0;
        if (Measure(count, described, refresh, read, baseline)) {
            std::printf("%8u  could not be measured\n", count);
            return 1;
        }
        reads.push_back(read);
        refreshes.push_back(refresh);
    }
    for (size_t i = 1; i < counts.size(); ++i) {
        std::printf("from %u to %u properties (%.1fx): Refresh took %.1fx, Read %.1fx\n", counts[i - 1], counts[i],
                    static_cast<double>(counts[i]) / counts[i - 1], refreshes[i] / refreshes[i - 1],
                    reads[i] / reads[i - 1]);
    }
    return 0;
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    int failed = Table("client described by a type library (ITypeInfo::Invoke)", true,
                       {100u, 1000u, MaxTypelibProperties()});
    failed |= Table("client that answers Invoke itself", false, {100u, 1000u, 10000u});
    OleUninitialize();
    return failed;
}
