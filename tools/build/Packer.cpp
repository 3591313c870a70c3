#include "Packer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>

namespace build {

namespace {

struct Rect
{
    int x, y, w, h;
};

bool contains(const Rect& outer, const Rect& inner)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

/// How a free rectangle is chosen for the next piece. Which one packs tighter depends on the
/// mix of sizes, so the packer tries both and keeps the smaller page.
enum class Rule { BEST_SHORT_SIDE, LOWEST_TOP };

class MaxRectsBin
{
public:
    MaxRectsBin(int width, int height) : m_free{{0, 0, width, height}} {}

    /// Places a w x h piece, or returns false when no free rectangle holds it.
    bool insert(int w, int h, Rule rule, int* x, int* y)
    {
        int best = -1;
        long bestScore = LONG_MAX, bestTie = LONG_MAX;
        for (size_t i = 0; i < m_free.size(); ++i) {
            const Rect& f = m_free[i];
            if (f.w < w || f.h < h)
                continue;
            long score, tie;
            if (rule == Rule::BEST_SHORT_SIDE) {
                score = std::min(f.w - w, f.h - h);
                tie = std::max(f.w - w, f.h - h);
            } else {
                score = f.y + h;
                tie = f.x;
            }
            if (score < bestScore || (score == bestScore && tie < bestTie)) {
                best = static_cast<int>(i);
                bestScore = score;
                bestTie = tie;
            }
        }
        if (best < 0)
            return false;
        const Rect used{m_free[best].x, m_free[best].y, w, h};
        split(used);
        *x = used.x;
        *y = used.y;
        m_bottom = std::max(m_bottom, used.y + h);
        m_right = std::max(m_right, used.x + w);
        return true;
    }

    int usedWidth() const { return m_right; }
    int usedHeight() const { return m_bottom; }

private:
    // Every free rectangle the piece overlaps gives way to up to four maximal pieces around
    // it; only the new pieces need checking for containment, against all the others.
    void split(const Rect& used)
    {
        std::vector<Rect> kept, added;
        kept.reserve(m_free.size());
        for (const Rect& f : m_free) {
            if (used.x >= f.x + f.w || used.x + used.w <= f.x || used.y >= f.y + f.h || used.y + used.h <= f.y) {
                kept.push_back(f);
                continue;
            }
            if (used.x > f.x)
                added.push_back({f.x, f.y, used.x - f.x, f.h});
            if (used.x + used.w < f.x + f.w)
                added.push_back({used.x + used.w, f.y, f.x + f.w - used.x - used.w, f.h});
            if (used.y > f.y)
                added.push_back({f.x, f.y, f.w, used.y - f.y});
            if (used.y + used.h < f.y + f.h)
                added.push_back({f.x, used.y + used.h, f.w, f.y + f.h - used.y - used.h});
        }
        // A new piece inside another new piece, or inside an old free rectangle, is redundant.
        std::vector<Rect> fresh;
        for (size_t i = 0; i < added.size(); ++i) {
            bool redundant = false;
            for (size_t j = 0; j < added.size() && !redundant; ++j) {
                if (i != j && contains(added[j], added[i]) && (!contains(added[i], added[j]) || j < i))
                    redundant = true;
            }
            for (size_t j = 0; j < kept.size() && !redundant; ++j)
                redundant = contains(kept[j], added[i]);
            if (!redundant)
                fresh.push_back(added[i]);
        }
        // Old rectangles never contain one another, and every new piece lies inside a
        // removed one, so no old rectangle can lie inside a new piece.
        kept.insert(kept.end(), fresh.begin(), fresh.end());
        m_free.swap(kept);
    }

    std::vector<Rect> m_free;
    int m_bottom = 0;
    int m_right = 0;
};

int roundUpPowerOfTwo(int value)
{
    int p = 1;
    while (p < value)
        p *= 2;
    return p;
}

struct PageAttempt
{
    std::vector<int> placed; ///< indices into the order, in placing order
    std::vector<Placement> spots;
    PackSize size;
};

/// Fills one width x height page in order; pieces that don't fit are left for the next page.
PageAttempt fillPage(const std::vector<PackSize>& sizes, const std::vector<int>& order, int width, int height,
                     Rule rule, bool powerOfTwo)
{
    MaxRectsBin bin(width, height);
    PageAttempt attempt;
    for (int index : order) {
        Placement spot;
        if (bin.insert(sizes[index].width, sizes[index].height, rule, &spot.x, &spot.y)) {
            attempt.placed.push_back(index);
            attempt.spots.push_back(spot);
        }
    }
    attempt.size = {bin.usedWidth(), bin.usedHeight()};
    if (powerOfTwo)
        attempt.size = {roundUpPowerOfTwo(attempt.size.width), roundUpPowerOfTwo(attempt.size.height)};
    return attempt;
}

long area(const PackSize& size)
{
    return static_cast<long>(size.width) * size.height;
}

/// The smallest page that holds every piece in order, if the maximum page holds them all:
/// a few widths around the square of the total area are tried, each with both rules.
bool packOnePage(const std::vector<PackSize>& sizes, const std::vector<int>& order, const PackOptions& options,
                 PageAttempt* best)
{
    long total = 0;
    int widest = 0;
    for (int index : order) {
        total += area(sizes[index]);
        widest = std::max(widest, sizes[index].width);
    }
    // Pieces of more area than the page can't share it: no need to try.
    if (total > static_cast<long>(options.maxWidth) * options.maxHeight)
        return false;
    std::vector<int> widths;
    if (options.powerOfTwo) {
        for (int w = roundUpPowerOfTwo(widest); w <= options.maxWidth; w *= 2)
            widths.push_back(w);
    } else {
        const double side = std::sqrt(static_cast<double>(total));
        for (double f : {0.85, 0.92, 1.0, 1.08, 1.17, 1.3, 1.5, 1.8}) {
            const int w = std::min(options.maxWidth, std::max(widest, static_cast<int>(side * f)));
            if (std::find(widths.begin(), widths.end(), w) == widths.end())
                widths.push_back(w);
        }
    }
    bool found = false;
    for (int w : widths) {
        for (Rule rule : {Rule::BEST_SHORT_SIDE, Rule::LOWEST_TOP}) {
            PageAttempt attempt = fillPage(sizes, order, w, options.maxHeight, rule, options.powerOfTwo);
            if (attempt.placed.size() != order.size())
                continue;
            const bool better = !found || area(attempt.size) < area(best->size) ||
                                (area(attempt.size) == area(best->size) &&
                                 std::max(attempt.size.width, attempt.size.height) <
                                     std::max(best->size.width, best->size.height));
            if (better) {
                *best = std::move(attempt);
                found = true;
            }
        }
    }
    return found;
}

int roundDownPowerOfTwo(int value)
{
    int p = 1;
    while (p <= value / 2)
        p *= 2;
    return p;
}

} // namespace

PackResult pack(const std::vector<PackSize>& sizes, const PackOptions& requested)
{
    // Rounding a page up to a power of two must not take it past the maximum, so the
    // largest page is the largest power of two that the maximum holds.
    PackOptions options = requested;
    if (options.powerOfTwo) {
        options.maxWidth = roundDownPowerOfTwo(options.maxWidth);
        options.maxHeight = roundDownPowerOfTwo(options.maxHeight);
    }
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].width > options.maxWidth || sizes[i].height > options.maxHeight || sizes[i].width < 0 ||
            sizes[i].height < 0) {
            throw std::invalid_argument("rectangle " + std::to_string(i) + " (" + std::to_string(sizes[i].width) +
                                        " x " + std::to_string(sizes[i].height) + ") is larger than a page (" +
                                        std::to_string(options.maxWidth) + " x " +
                                        std::to_string(options.maxHeight) + ")");
        }
    }
    // Large pieces first: the small ones fill the gaps they leave.
    std::vector<int> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int sideA = std::max(sizes[a].width, sizes[a].height), sideB = std::max(sizes[b].width, sizes[b].height);
        if (sideA != sideB)
            return sideA > sideB;
        return area(sizes[a]) > area(sizes[b]);
    });

    PackResult result;
    result.placements.resize(sizes.size());
    while (!order.empty()) {
        PageAttempt page;
        if (!packOnePage(sizes, order, options, &page)) {
            // More than a page: fill a whole one and go on with what is left.
            page = fillPage(sizes, order, options.maxWidth, options.maxHeight, Rule::BEST_SHORT_SIDE,
                            options.powerOfTwo);
            PageAttempt other = fillPage(sizes, order, options.maxWidth, options.maxHeight, Rule::LOWEST_TOP,
                                         options.powerOfTwo);
            if (other.placed.size() > page.placed.size())
                page = std::move(other);
        }
        const int pageIndex = static_cast<int>(result.pages.size());
        result.pages.push_back(page.size);
        std::vector<bool> done(sizes.size(), false);
        for (size_t i = 0; i < page.placed.size(); ++i) {
            result.placements[page.placed[i]] = {pageIndex, page.spots[i].x, page.spots[i].y};
            done[page.placed[i]] = true;
        }
        std::vector<int> rest;
        for (int index : order) {
            if (!done[index])
                rest.push_back(index);
        }
        order.swap(rest);
    }
    return result;
}

} // namespace build
