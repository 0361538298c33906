// How well a decoded file follows the samples it was encoded from, stretch by
// stretch: a gap, a doubled stretch or a drift shows as a jump in the shift that
// lines the two up; a click or garbled join as a stretch that matches badly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace encoding_test {

struct JoinMeasure {
    int largestShift = 0;      // samples the decoded file is off, the worst stretch
    int largestJump = 0;       // the most the shift changes between neighbouring stretches
    double worstMatch = 1.0;   // correlation of the worst stretch with sound in it
    std::size_t stretches = 0; // those with sound
    std::vector<double> matches;  // of each stretch of the reference, 2 where it is silent
};

// Stretches of `window` samples with sound in the reference are lined up with the
// decoded samples within `reach` samples either way.
struct Products {
    double cross = 0, reference = 0, decoded = 0;
    Products& operator+=(const Products& other)
    {
        cross += other.cross, reference += other.reference, decoded += other.decoded;
        return *this;
    }
    double Match() const { return reference > 0 && decoded > 0 ? cross / std::sqrt(reference * decoded) : 0; }
};

inline Products ProductsAt(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                           std::size_t from, std::size_t to, int shift)
{
    Products p;
    for (std::size_t i = from; i < to; i += 2) {
        const double r = reference[i], d = decoded[static_cast<std::size_t>(static_cast<long>(i) + shift)];
        p.cross += r * d, p.reference += r * r, p.decoded += d * d;
    }
    return p;
}

inline JoinMeasure MeasureJoin(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                               std::size_t window, int reach)
{
    JoinMeasure measure;
    bool first = true;
    int lastShift = 0;
    const std::size_t end = std::min(reference.size(), decoded.size());
    for (std::size_t at = static_cast<std::size_t>(reach); at + window + reach < end; at += window) {
        if (ProductsAt(reference, reference, at, at + window, 0).reference < double(window) / 2 * 300 * 300) {
            measure.matches.push_back(2);  // mostly silence: nothing to line up
            continue;
        }
        // Coarse steps first, then every shift near the best of them.
        constexpr int kStep = 8;
        double best = -2;
        int bestShift = 0;
        for (int shift = -reach; shift <= reach; shift += kStep)
            if (double match = ProductsAt(reference, decoded, at, at + window, shift).Match(); match > best)
                best = match, bestShift = shift;
        const int coarse = bestShift;
        for (int shift = std::max(-reach, coarse - kStep); shift <= std::min(reach, coarse + kStep); ++shift)
            if (double match = ProductsAt(reference, decoded, at, at + window, shift).Match(); match > best)
                best = match, bestShift = shift;
        // Where the shift changes inside the stretch, its two sides line up apart.
        if (!first && bestShift != lastShift)
            for (std::size_t split = at + window / 8; split < at + window; split += window / 8) {
                Products both = ProductsAt(reference, decoded, at, split, lastShift);
                both += ProductsAt(reference, decoded, split, at + window, bestShift);
                best = std::max(best, both.Match());
            }
        ++measure.stretches;
        measure.matches.push_back(best);
        measure.worstMatch = std::min(measure.worstMatch, best);
        measure.largestShift = std::max(measure.largestShift, std::abs(bestShift));
        if (!first) measure.largestJump = std::max(measure.largestJump, std::abs(bestShift - lastShift));
        lastShift = bestShift;
        first = false;
    }
    return measure;
}

// Where `pattern` begins in `samples`, looked for within `reach` of `around`.
inline long FindPattern(const std::vector<std::int16_t>& samples, const std::vector<std::int16_t>& pattern, long around,
                        long reach)
{
    double best = -1;
    long where = around;
    for (long at = std::max(0L, around - reach); at <= around + reach; ++at) {
        if (static_cast<std::size_t>(at) + pattern.size() > samples.size()) break;
        double product = 0, energy = 0;
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            product += double(pattern[i]) * samples[static_cast<std::size_t>(at) + i];
            energy += double(samples[static_cast<std::size_t>(at) + i]) * samples[static_cast<std::size_t>(at) + i];
        }
        const double match = energy > 0 ? product / std::sqrt(energy) : 0;
        if (match > best) best = match, where = at;
    }
    return where;
}

// The most a stretch of `pieces` matches worse than the same stretch of `whole`.
inline double LargestLoss(const JoinMeasure& pieces, const JoinMeasure& whole)
{
    double loss = 0;
    for (std::size_t i = 0; i < std::min(pieces.matches.size(), whole.matches.size()); ++i)
        loss = std::max(loss, whole.matches[i] - pieces.matches[i]);
    return loss;
}

}  // namespace encoding_test
