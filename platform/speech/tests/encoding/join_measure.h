// How well a decoded file follows the samples it was encoded from, stretch by
// stretch: a gap, a doubled stretch or a drift shows as a jump in the shift that
// lines the two up; a click or garbled join as a stretch that matches badly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace encoding_test {

struct JoinMeasure {
    int largestShift = 0;      // samples the decoded file is off, the worst stretch
    int largestJump = 0;       // the most the shift changes between neighbouring stretches
    double worstMatch = 1.0;   // correlation of the worst stretch with sound in it
    std::size_t stretches = 0; // those with sound
    std::vector<double> matches;  // of each stretch of the reference, 2 where it is silent
    std::vector<std::size_t> joins;  // indexes into matches of the stretches beside a change of shift
};

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

// The shift that lines up the stretch from `at` best, within `reach` either way.
inline std::pair<int, double> BestShift(const std::vector<std::int16_t>& reference,
                                        const std::vector<std::int16_t>& decoded, std::size_t at, std::size_t window,
                                        int reach)
{
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
    return {bestShift, best};
}

// How well the stretch matches when its two sides line up apart: `before` up to
// some point inside it, `after` from there on.
inline double SplitMatch(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                         std::size_t at, std::size_t window, int before, int after)
{
    double best = -2;
    for (std::size_t split = at + window / 64; split < at + window; split += window / 64) {
        Products both = ProductsAt(reference, decoded, at, split, before);
        both += ProductsAt(reference, decoded, split, at + window, after);
        best = std::max(best, both.Match());
    }
    return best;
}

// Stretches of `window` samples with sound in the reference are lined up with the
// decoded samples within `reach` samples either way.
inline JoinMeasure MeasureJoin(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                               std::size_t window, int reach)
{
    struct Stretch {
        std::size_t at;
        int shift;
        double match;
    };
    // Each stretch with sound on its own; a silent one has nothing to line up.
    std::vector<Stretch> sounding;
    JoinMeasure measure;
    const std::size_t end = std::min(reference.size(), decoded.size());
    for (std::size_t at = static_cast<std::size_t>(reach); at + window + reach < end; at += window) {
        if (ProductsAt(reference, reference, at, at + window, 0).reference < double(window) / 2 * 300 * 300) {
            measure.matches.push_back(2);
            continue;
        }
        auto [shift, match] = BestShift(reference, decoded, at, window, reach);
        sounding.push_back({at, shift, match});
        measure.matches.push_back(match);
    }
    // Where the shift changes between neighbours, the join is in one of the two
    // stretches: each may line up in two parts, its neighbour's shift on that side.
    // A sample either way is how stretches of one run line up too.
    const auto apart = [](const Stretch& a, const Stretch& b) { return std::abs(a.shift - b.shift) > 1; };
    for (std::size_t i = 0, m = 0; i < sounding.size(); ++i, ++m) {
        while (measure.matches[m] == 2) ++m;
        Stretch& s = sounding[i];
        double best = s.match;
        const bool after = i > 0 && apart(sounding[i - 1], s);
        const bool before = i + 1 < sounding.size() && apart(s, sounding[i + 1]);
        if (after) best = std::max(best, SplitMatch(reference, decoded, s.at, window, sounding[i - 1].shift, s.shift));
        if (before) best = std::max(best, SplitMatch(reference, decoded, s.at, window, s.shift, sounding[i + 1].shift));
        if (after || before) measure.joins.push_back(m);
        measure.matches[m] = best;
        measure.worstMatch = std::min(measure.worstMatch, best);
        measure.largestShift = std::max(measure.largestShift, std::abs(s.shift));
        if (i > 0) measure.largestJump = std::max(measure.largestJump, std::abs(s.shift - sounding[i - 1].shift));
    }
    measure.stretches = sounding.size();
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

// The most a stretch of `pieces` beside a join (where the shift changes: a piece
// shortened or lengthened to whole frames) matches worse than the same stretch of
// `whole`. Only there: a codec whose rate control wanders (FFmpeg's AAC) codes a
// piece's middle a little better or worse than one long run would, at no join.
inline double LargestLossAtJoins(const JoinMeasure& pieces, const JoinMeasure& whole)
{
    double loss = 0;
    for (std::size_t i : pieces.joins)
        if (i < whole.matches.size()) loss = std::max(loss, whole.matches[i] - pieces.matches[i]);
    return loss;
}

// How much worse `pieces` matches than `whole` on average, over the stretches with sound.
inline double MeanLoss(const JoinMeasure& pieces, const JoinMeasure& whole)
{
    double loss = 0;
    std::size_t counted = 0;
    for (std::size_t i = 0; i < std::min(pieces.matches.size(), whole.matches.size()); ++i)
        if (pieces.matches[i] <= 1 && whole.matches[i] <= 1) loss += whole.matches[i] - pieces.matches[i], ++counted;
    return counted ? loss / counted : 0;
}

}  // namespace encoding_test
