#pragma once

#include <chrono>

// When the progress window of an export or import shows its count again: a few
// times a second, however fast the records go, so that it moves without costing
// anything the user could measure. The count itself comes every few thousand
// records, never per record.
class ProgressPace {
public:
    static constexpr std::chrono::milliseconds kInterval{250};

    bool due() {
        const Clock::time_point now = Clock::now();
        if (now - shown_ < kInterval) {
            return false;
        }
        shown_ = now;
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point shown_ = Clock::now();
};
