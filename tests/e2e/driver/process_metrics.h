// What another process holds, read from outside: its memory and its open
// handles. Used to show that Savewarden does not grow over a long run.
#ifndef E2E_PROCESS_METRICS_H
#define E2E_PROCESS_METRICS_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ProcessSample {
    unsigned long long working_set = 0;  // bytes in memory now
    unsigned long long pagefile = 0;     // private bytes committed
    unsigned long handles = 0;           // open kernel handles
};

class ProcessMetrics {
public:
    // Opens the process for querying; fails when that is refused.
    explicit ProcessMetrics(DWORD process_id);
    ProcessMetrics(const ProcessMetrics&) = delete;
    ProcessMetrics& operator=(const ProcessMetrics&) = delete;
    ~ProcessMetrics();

    ProcessSample sample() const;

private:
    DWORD process_id_;
    HANDLE process_;
};

// The median of the values from index first up to, not including, last.
unsigned long long median_of(const std::vector<unsigned long long>& values, size_t first,
                             size_t last);

}  // namespace e2e

#endif
