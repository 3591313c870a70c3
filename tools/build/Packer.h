#pragma once

#include <vector>

namespace build {

/// Places rectangles on as few and as small pages as it can, without rotating them (sprite
/// sheets have no rotated sprites): max-rects, the free space kept as the list of maximal
/// empty rectangles, each rectangle put where it leaves the least.
struct PackOptions
{
    int maxWidth = 2048;
    int maxHeight = 2048;
    bool powerOfTwo = false; ///< page sides rounded up to powers of two
};

struct PackSize
{
    int width = 0;
    int height = 0;
};

struct Placement
{
    int page = 0;
    int x = 0;
    int y = 0;
};

struct PackResult
{
    std::vector<Placement> placements; ///< one per input rectangle, in input order
    std::vector<PackSize> pages;       ///< the size of each page
};

/// Packs the sizes; the same input always gives the same result. A rectangle larger than
/// the maximum page throws std::invalid_argument naming its index.
PackResult pack(const std::vector<PackSize>& sizes, const PackOptions& options);

} // namespace build
