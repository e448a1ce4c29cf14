// Stopping long work: exports, extractions and saves stop between two files
// when asked, so that every file already written is whole and none is left
// half-written. The command-line tool asks on Ctrl+C (a flag a signal handler
// may set); a window asks by throwing ECancelled from its progress handler.
#pragma once

#include <atomic>
#include <exception>

class ECancelled : public std::exception {
public:
    const char *what() const noexcept override { return "Stopped by the user."; }
};

// The process-wide request, safe to set from a signal handler.
inline std::atomic<bool> &CancelRequest()
{
    static std::atomic<bool> requested{false};
    return requested;
}

// Called by the loops before each file: raises ECancelled once stopping was asked for.
inline void ThrowIfCancelled()
{
    if (CancelRequest().load(std::memory_order_relaxed))
        throw ECancelled();
}
