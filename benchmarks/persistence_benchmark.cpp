// Prints how loading a saved property bag scales with its number of keys: up to the most a
// control writes, and past it, where the figure is how soon the stream is refused as corrupt.
// Adding the same keys to a bag in memory, which has no such cap, shows the index alone. Not a
// test: the figures are for people to read.
#include "ole/com_object.h"
#include "ole/property_bag.h"
#include "ole/property_stream.h"

#include <ole2.h>

#include "benchmarks/timing.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using ole::ComPtr;
using ole::MemoryPropertyBag;

std::wstring KeyName(DWORD index) { return L"UnknownKey" + std::to_wstring(index); }

// The bytes of a saved bag of `count` distinct keys, each holding nothing, as a crafted document
// may hold them; the header is the one an empty bag is saved with.
std::vector<BYTE> SavedKeys(DWORD count) {
    std::vector<BYTE> payload;
    auto put = [&](const void* data, size_t size) {
        payload.insert(payload.end(), static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
    };
    put(&count, sizeof(count));
    for (DWORD i = 0; i < count; ++i) {
        const std::wstring name = KeyName(i);
        const DWORD length = static_cast<DWORD>(name.size());
        const WORD type = VT_EMPTY;
        put(&length, sizeof(length));
        put(name.data(), length * sizeof(wchar_t));
        put(&type, sizeof(type));
    }
    ComPtr<MemoryPropertyBag> empty;
    ComPtr<IStream> stream;
    if (FAILED(ole::MakeObject(empty)) || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) ||
        FAILED(ole::SavePropertyBag(*empty.Get(), stream.Get()))) {
        return {};
    }
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(stream.Get(), &memory);
    const auto* header = static_cast<const BYTE*>(GlobalLock(memory));
    // Magic, version and flags as saved; then this payload's length and the payload.
    std::vector<BYTE> bytes(header, header + 8);
    GlobalUnlock(memory);
    const DWORD length = static_cast<DWORD>(payload.size());
    bytes.insert(bytes.end(), reinterpret_cast<const BYTE*>(&length), reinterpret_cast<const BYTE*>(&length) + 4);
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

void LoadTimes() {
    std::printf("\nLoading a saved bag of N distinct keys (ms, median of %d rounds ± half the spread of their middle"
                " half);\na control writes at most %zu\n",
                kRounds, MemoryPropertyBag::kMaxEntries);
    for (const DWORD count : {1000u, 4096u, 10000u, 100000u}) {
        const std::vector<BYTE> bytes = SavedKeys(count);
        ComPtr<IStream> stream;
        if (bytes.empty() || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put())) ||
            FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr))) {
            std::printf("%8lu keys: the stream could not be made\n", count);
            continue;
        }
        HRESULT result = S_OK;
        const Summary time = Summarise(TimeInRounds({Timed([&] {
            stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
            ComPtr<MemoryPropertyBag> loaded;
            result = ole::LoadPropertyBag(stream.Get(), loaded);
        })})[0]);
        std::printf("%8lu keys (%7zu bytes): %9.3f ±%2.0f%%  %s\n", count, bytes.size(), time.median * 1e3,
                    time.spread * 100, SUCCEEDED(result) ? "loaded" : "refused as corrupt");
    }
}

void AddTimes() {
    std::printf("\nAdding N distinct keys to a bag in memory (ms, median of %d rounds; name comparisons per key)\n",
                kRounds);
    for (const DWORD count : {1000u, 10000u, 100000u}) {
        std::vector<std::wstring> names;
        for (DWORD i = 0; i < count; ++i) names.push_back(KeyName(i));
        size_t comparisons = 0;
        bool added = true;
        const Summary time = Summarise(TimeInRounds({Timed([&] {
            ComPtr<MemoryPropertyBag> bag;
            if (FAILED(ole::MakeObject(bag))) {
                added = false;
                return;
            }
            for (const std::wstring& name : names) {
                MemoryPropertyBag::Entry entry;
                entry.name = name;
                added = added && SUCCEEDED(bag->Add(std::move(entry)));
            }
            comparisons = bag->NameComparisons();
        })})[0]);
        if (!added) {
            std::printf("%8lu keys: adding failed\n", count);
            continue;
        }
        std::printf("%8lu keys: %9.3f ±%2.0f%%  (%.1f comparisons per key)\n", count, time.median * 1e3,
                    time.spread * 100, static_cast<double>(comparisons) / count);
    }
}

}  // namespace

int main() {
    if (FAILED(OleInitialize(nullptr))) return 1;
    LoadTimes();
    AddTimes();
    OleUninitialize();
    return 0;
}
