// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spread of one measure over the repeats of a benchmark: each repeat adds a sample, and
// NAME_min, NAME_median and NAME_max are reported, so that a machine busy with other work
// shows as a wide spread instead of as one lucky or unlucky figure.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace gsmprog::bench {

class Spread {
public:
    void Add(double value) { samples_.push_back(value); }

    double Median() const {
        if (samples_.empty()) return 0;
        std::vector<double> sorted = samples_;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }

    void Report(benchmark::State& state, const std::string& name) const {
        if (samples_.empty()) return;
        const auto [least, most] = std::minmax_element(samples_.begin(), samples_.end());
        state.counters[name + "_min"] = *least;
        state.counters[name + "_median"] = Median();
        state.counters[name + "_max"] = *most;
    }

private:
    std::vector<double> samples_;
};

}  // namespace gsmprog::bench
