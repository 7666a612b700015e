#include "process_metrics.h"

#include "check.h"

#include <psapi.h>

#include <algorithm>

namespace e2e {

namespace {

// The handle table as NtQuerySystemInformation gives it for every process
// (SystemExtendedHandleInformation). GetProcessHandleCount would be the
// plain way, but Wine answers it with 0 for every process.
const ULONG kSystemExtendedHandleInformation = 64;
const LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    PVOID object;
    ULONG_PTR process_id;
    ULONG_PTR handle_value;
    ULONG granted_access;
    USHORT creator_back_trace_index;
    USHORT object_type_index;
    ULONG handle_attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

unsigned long count_handles(DWORD process_id)
{
    static QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                               "NtQuerySystemInformation")));
    if (!query)
        fail("NtQuerySystemInformation is not available");
    std::vector<char> buffer(256 * 1024);
    LONG status;
    for (;;) {
        ULONG needed = 0;
        status = query(kSystemExtendedHandleInformation, buffer.data(),
                       static_cast<ULONG>(buffer.size()), &needed);
        if (status != kStatusInfoLengthMismatch)
            break;
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0)
        fail("the handle table cannot be read (status " + std::to_string(status) + ")");
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    unsigned long count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        if (table->entries[i].process_id == process_id)
            ++count;
    return count;
}

}  // namespace

ProcessMetrics::ProcessMetrics(DWORD process_id)
    : process_id_(process_id),
      process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id))
{
    if (!process_)
        fail("cannot open process " + std::to_string(process_id) + " for querying (error " +
             std::to_string(GetLastError()) + ")");
}

ProcessMetrics::~ProcessMetrics()
{
    CloseHandle(process_);
}

ProcessSample ProcessMetrics::sample() const
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process_, &counters, sizeof counters))
        fail("GetProcessMemoryInfo failed (error " + std::to_string(GetLastError()) + ")");
    ProcessSample s;
    s.working_set = counters.WorkingSetSize;
    s.pagefile = counters.PagefileUsage;
    s.handles = count_handles(process_id_);
    return s;
}

unsigned long long median_of(const std::vector<unsigned long long>& values, size_t first,
                             size_t last)
{
    if (first >= last || last > values.size())
        fail("median of an empty or out-of-range window");
    std::vector<unsigned long long> window(values.begin() + static_cast<long>(first),
                                           values.begin() + static_cast<long>(last));
    std::sort(window.begin(), window.end());
    size_t middle = window.size() / 2;
    if (window.size() % 2)
        return window[middle];
    return (window[middle - 1] + window[middle]) / 2;
}

}  // namespace e2e
