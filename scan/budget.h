// A share of processor time for the searches of a scan: a search asks now
// and then whether its share is spent, and stops with what it has.
#pragma once

#include <ctime>

namespace tsy::scan {

class Budget {
  public:
    explicit Budget(double seconds) : end_(Now() + seconds) {}

    // Whether the time is up; the clock is read once every few calls.
    bool Spent() {
        if (!spent_ && ++calls_ % kCallsPerReading == 0) {
            spent_ = Now() >= end_;
        }
        return spent_;
    }

    double Left() const { return end_ - Now(); }

  private:
    static constexpr long kCallsPerReading = 64;

    static double Now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

    double end_;
    long calls_ = 0;
    bool spent_ = false;
};

}  // namespace tsy::scan
