// Binned SAH over the triangles' boxes, built as a binary tree in waves: every node of
// a wave is split on its own worker (one big node bins its items in fixed chunks
// instead), and ranges small enough become subtrees, each built whole and folded into
// 4-wide nodes on one worker; the top is folded last and the subtrees' nodes follow its
// own. A split depends only on the items of its range, so the tree is the same for
// any number of threads.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "base/simd.h"
#include "base/task_pool.h"
#include "platform/bvh.h"

namespace vgx::platform {
namespace {

constexpr int32_t kLeafSize = 4;
constexpr int32_t kBins = 16;
constexpr int32_t kSahDepth = 64;       // below this depth splits halve the count
constexpr size_t kItemGrain = tasks::kGrain;    // triangles one worker reads or bins at a time
constexpr size_t kSubtreeFloor = 4096;  // ranges this small are never shared out further
constexpr size_t kSubtreeShare = 64;    // else a subtree holds at most this part of the mesh

// Half the surface of a box, zero for an empty one: the SAH's cost measure.
inline float HalfArea(const Vec3& lo, const Vec3& hi) {
    const Vec3 e = Sub(hi, lo);
    if (e.x < 0) return 0;
    return e.x * e.y + e.y * e.z + e.z * e.x;
}

// Per axis, the least and greatest of the coordinates grown in; NaN never enters.
// Empty: lo = max, hi = -max, the identity of Union. The fourth lane stays zero.
struct Box {
    float lo[4], hi[4];
    static Box Empty() {
        const float m = std::numeric_limits<float>::max();
        return {{m, m, m, 0}, {-m, -m, -m, 0}};
    }
    void Grow(simd::Float4 p) {
        simd::Store(lo, simd::Min(p, simd::Load(lo)));
        simd::Store(hi, simd::Max(p, simd::Load(hi)));
    }
    void Grow(const Vec3& p) {
        const float point[4] = {p.x, p.y, p.z, 0};
        Grow(simd::Load(point));
    }
    // The box of the points grown into either: what growing them all in one would give.
    void Union(const Box& b) {
        simd::Store(lo, simd::Min(simd::Load(b.lo), simd::Load(lo)));
        simd::Store(hi, simd::Max(simd::Load(b.hi), simd::Load(hi)));
    }
    simd::Float4 Centre() const { return (simd::Load(lo) + simd::Load(hi)) * simd::Splat(0.5f); }
    float Centre(int axis) const { return (lo[axis] + hi[axis]) * 0.5f; }
    Vec3 Low() const { return {lo[0], lo[1], lo[2]}; }
    Vec3 High() const { return {hi[0], hi[1], hi[2]}; }
    float Area() const { return HalfArea(Low(), High()); }
};

// The build's node: count 0 for an inner node, its children in pair `first`; else a
// leaf of triangles first .. first + count - 1 of the leaf-ordered array.
struct BinaryNode {
    Vec3 lo;
    int32_t first;
    Vec3 hi;
    int32_t count;
};

struct NodePair {
    BinaryNode child[2];
};

inline float Axis(const Vec3& v, int a) { return a == 0 ? v.x : (a == 1 ? v.y : v.z); }

// A triangle as the build moves it: items are reordered in place, so leaves end up
// contiguous.
struct Item {
    Box box;
    int32_t index;
};

Item MakeItem(const MeshTriangles& mesh, int32_t t) {
    const Triangle tri = MakeTriangle(mesh, t);
    Box b = Box::Empty();
    b.Grow(tri.p0);
    b.Grow(Vec3{tri.p0.x + tri.e1.x, tri.p0.y + tri.e1.y, tri.p0.z + tri.e1.z});
    b.Grow(Vec3{tri.p0.x + tri.e2.x, tri.p0.y + tri.e2.y, tri.p0.z + tri.e2.z});
    // The corners exactly as stored, so rounding in p0 + e cannot leave one out.
    const uint32_t* i = mesh.indices.data() + 3 * static_cast<size_t>(t);
    for (int k = 0; k < 3; ++k) {
        const float* p = mesh.positions.data() + 3 * i[k];
        b.Grow(Vec3{p[0], p[1], p[2]});
    }
    return {b, t};
}

// A range of items with the box of their boxes and of their centres.
struct Range {
    int32_t begin = 0, end = 0, depth = 0;
    Box bounds = Box::Empty(), centres = Box::Empty();
    int32_t Count() const { return end - begin; }
};

// Chunks of kItemGrain accumulated apart and merged in order.
template <class Acc, class Add>
Acc Accumulate(size_t count, const Acc& empty, Add add, void (*merge)(Acc&, const Acc&)) {
    if (count <= kItemGrain) {
        Acc acc = empty;
        add(acc, size_t{0}, count);
        return acc;
    }
    std::vector<Acc> parts((count + kItemGrain - 1) / kItemGrain, empty);
    tasks::ParallelFor(count, kItemGrain,
                       [&](size_t begin, size_t end) { add(parts[begin / kItemGrain], begin, end); });
    Acc acc = empty;
    for (const Acc& part : parts) merge(acc, part);
    return acc;
}

void Bound(const Item* items, Range& range) {
    struct Bounds {
        Box boxes, centres;
    };
    const Item* first = items + range.begin;
    const Bounds all = Accumulate<Bounds>(
        static_cast<size_t>(range.Count()), {Box::Empty(), Box::Empty()},
        [&](Bounds& acc, size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                acc.boxes.Union(first[k].box);
                acc.centres.Grow(first[k].box.Centre());
            }
        },
        [](Bounds& acc, const Bounds& part) {
            acc.boxes.Union(part.boxes);
            acc.centres.Union(part.centres);
        });
    range.bounds = all.boxes;
    range.centres = all.centres;
}

// As many bins as items, up to kBins: small ranges, most of the tree, sweep fewer.
struct Bins {
    int32_t used = 0;
    std::array<Box, kBins> boxes, centres;
    std::array<int32_t, kBins> counts;
    static Bins Empty(int32_t used) {
        Bins bins;
        bins.used = used;
        std::fill_n(bins.boxes.begin(), used, Box::Empty());
        std::fill_n(bins.centres.begin(), used, Box::Empty());
        std::fill_n(bins.counts.begin(), used, 0);
        return bins;
    }
    void Merge(const Bins& other) {
        for (int32_t b = 0; b < used; ++b) {
            boxes[b].Union(other.boxes[b]);
            centres[b].Union(other.centres[b]);
            counts[b] += other.counts[b];
        }
    }
    // The items of bins [from, to) as a range's bounds.
    void Cover(int32_t from, int32_t to, Range& range) const {
        for (int32_t b = from; b < to; ++b) {
            range.bounds.Union(boxes[b]);
            range.centres.Union(centres[b]);
        }
    }
};

// Splits `range` when it holds more than a leaf: fills `node` (its `first` is left to
// the caller for an internal node) and the two halves; false for a leaf.
bool SplitRange(Item* items, const Range& range, BinaryNode& node, Range& left, Range& right) {
    const Vec3 low = range.bounds.Low(), high = range.bounds.High();
    // Widened a little so that a ray the triangle test hits is never culled by
    // the rounding of the slab test.
    const Vec3 size = Sub(high, low);
    const float scale = std::max({std::fabs(low.x), std::fabs(low.y), std::fabs(low.z), std::fabs(high.x),
                                  std::fabs(high.y), std::fabs(high.z)});
    const float pad = 1e-5f * std::max({size.x, size.y, size.z}) + 1e-6f * scale + 1e-30f;
    node.lo = {low.x - pad, low.y - pad, low.z - pad};
    node.hi = {high.x + pad, high.y + pad, high.z + pad};
    const int32_t begin = range.begin, end = range.end, count = range.Count();
    node.first = begin;
    node.count = count;
    if (count <= kLeafSize) return false;
    node.count = 0;
    left = {begin, begin, range.depth + 1};
    right = {begin, end, range.depth + 1};

    const Vec3 extent = Sub(range.centres.High(), range.centres.Low());
    int axis = 0;
    if (extent.y > Axis(extent, axis)) axis = 1;
    if (extent.z > Axis(extent, axis)) axis = 2;
    const float lo = Axis(range.centres.Low(), axis), width = Axis(extent, axis);
    Item* first = items + begin;
    if (width > 0 && range.depth < kSahDepth) {
        const int32_t used = std::min(kBins, count);
        const float k = static_cast<float>(used) / width;
        // Clamped before the conversion: huge coordinates can give an infinite
        // or NaN offset, which no integer holds. NaN goes to bin 0.
        auto binOf = [&](const Item& item) {
            const float offset = std::max(0.0f, (item.box.Centre(axis) - lo) * k);
            return static_cast<int32_t>(std::min(offset, static_cast<float>(used - 1)));
        };
        const Bins bins = Accumulate<Bins>(
            static_cast<size_t>(count), Bins::Empty(used),
            [&](Bins& acc, size_t from, size_t to) {
                for (size_t i = from; i < to; ++i) {
                    const int32_t b = binOf(first[i]);
                    ++acc.counts[b];
                    acc.boxes[b].Union(first[i].box);
                    acc.centres[b].Grow(first[i].box.Centre());
                }
            },
            [](Bins& acc, const Bins& part) { acc.Merge(part); });
        std::array<float, kBins - 1> leftCost{};
        Box running = Box::Empty();
        int32_t n = 0;
        for (int32_t b = 0; b < used - 1; ++b) {
            running.Union(bins.boxes[b]);
            n += bins.counts[b];
            leftCost[b] = running.Area() * static_cast<float>(n);
        }
        running = Box::Empty();
        n = 0;
        float bestCost = std::numeric_limits<float>::max();
        int32_t bestSplit = -1;
        for (int32_t b = used - 1; b > 0; --b) {
            running.Union(bins.boxes[b]);
            n += bins.counts[b];
            const float cost = leftCost[b - 1] + running.Area() * static_cast<float>(n);
            if (n > 0 && n < count && cost < bestCost) bestCost = cost, bestSplit = b;
        }
        if (bestSplit > 0) {
            const Item* mid =
                std::partition(first, first + count, [&](const Item& item) { return binOf(item) < bestSplit; });
            left.end = right.begin = begin + static_cast<int32_t>(mid - first);
            bins.Cover(0, bestSplit, left);
            bins.Cover(bestSplit, used, right);
            return true;
        }
    }
    // Centroids that coincide, or a deep tree: halve by count.
    left.end = right.begin = begin + count / 2;
    // NaN sorts last, so the order stays strict and the selection in range.
    const auto key = [&](const Item& item) {
        const float c = item.box.Centre(axis);
        return std::isnan(c) ? std::numeric_limits<float>::infinity() : c;
    };
    std::nth_element(first, first + count / 2, first + count,
                     [&](const Item& a, const Item& b) { return key(a) < key(b); });
    Bound(items, left);
    Bound(items, right);
    return true;
}

// Builds `range` whole into `pairs`, its root becoming child `slot` of pair `pair`.
void BuildSubtree(Item* items, const Range& range, std::vector<NodePair>& pairs, int32_t pair, int slot) {
    BinaryNode node;
    Range left, right;
    if (SplitRange(items, range, node, left, right)) {
        node.first = static_cast<int32_t>(pairs.size());
        pairs.emplace_back();
        BuildSubtree(items, left, pairs, node.first, 0);
        BuildSubtree(items, right, pairs, node.first, 1);
    }
    pairs[pair].child[slot] = node;
}

// A range left to a subtree: built whole on one worker into a binary tree of its own
// and widened there. In the top's tree its root, when inner, is a closed node whose
// `first` is -1 - the subtree's number.
struct Subtree {
    Range range;
    int32_t pair;
    int slot;
    BinaryNode root;
    std::vector<BvhNode> wide;  // the root is node 0; none for a leaf
};

// An inner node whose children are in the same tree.
inline bool Opens(const BinaryNode& node) { return node.count == 0 && node.first >= 0; }

// Lanes without a child: NaN bounds, which no ray enters.
BvhNode EmptyNode() {
    BvhNode node{};
    for (int a = 0; a < 3; ++a) {
        std::fill_n(node.lo[a], 4, std::numeric_limits<float>::quiet_NaN());
        std::fill_n(node.hi[a], 4, std::numeric_limits<float>::quiet_NaN());
    }
    std::fill_n(node.count, 4, -1);
    return node;
}

// Puts a binary node into lane k of a wide node, its index as the binary tree has it.
void SetLane(BvhNode& wide, int32_t k, const BinaryNode& lane) {
    for (int a = 0; a < 3; ++a) wide.lo[a][k] = Axis(lane.lo, a), wide.hi[a][k] = Axis(lane.hi, a);
    wide.first[k] = lane.first;
    wide.count[k] = lane.count;
}

// Writes the wide node for `inner` at `at`, then those below it: the node takes up to
// four of inner's descendants, opening the one with the largest box first, and its
// inner children sit side by side. A subtree's root stays closed.
void Widen(const std::vector<NodePair>& pairs, const BinaryNode& inner, std::vector<BvhNode>& wide, size_t at) {
    std::array<BinaryNode, 4> lanes{pairs[inner.first].child[0], pairs[inner.first].child[1]};
    int32_t used = 2;
    while (used < 4) {
        int32_t open = -1;
        float largest = -1;
        for (int32_t k = 0; k < used; ++k) {
            if (!Opens(lanes[k])) continue;
            const float area = HalfArea(lanes[k].lo, lanes[k].hi);
            if (area > largest) largest = area, open = k;
        }
        if (open < 0) break;
        const NodePair& children = pairs[lanes[open].first];
        lanes[open] = children.child[0];
        lanes[used++] = children.child[1];
    }
    BvhNode node = EmptyNode();
    for (int32_t k = 0; k < used; ++k) {
        SetLane(node, k, lanes[k]);
        if (Opens(lanes[k])) {
            node.first[k] = static_cast<int32_t>(wide.size());
            wide.emplace_back();
        }
    }
    wide[at] = node;
    for (int32_t k = 0; k < used; ++k) {
        if (Opens(lanes[k])) Widen(pairs, lanes[k], wide, static_cast<size_t>(node.first[k]));
    }
}

}  // namespace

Bvh BuildBvh(const MeshTriangles& mesh) {
    Bvh bvh;
    const int32_t n = mesh.TriangleCount();
    if (n == 0) return bvh;
    std::vector<NodePair> pairs(1);  // the root is child 0 of pair 0, the only node there
    // Every item and triangle is written below; a mesh picked again after an edit
    // reuses the blocks of the hierarchy built before.
    BlockArray<Item> items;
    GrowForOverwrite(items, static_cast<size_t>(n));
    tasks::ParallelFor(static_cast<size_t>(n), kItemGrain, [&](size_t begin, size_t end) {
        for (size_t t = begin; t < end; ++t) items[t] = MakeItem(mesh, static_cast<int32_t>(t));
    });
    Range root{0, n, 0};
    Bound(items.data(), root);

    // Waves of splits down to ranges a subtree may take.
    const size_t subtreeLimit = std::max(kSubtreeFloor, static_cast<size_t>(n) / kSubtreeShare);
    std::vector<Subtree> subtrees;
    struct Pending {
        Range range;
        int32_t pair;
        int slot;
    };
    std::vector<Pending> wave{{root, 0, 0}};
    while (!wave.empty()) {
        struct Split {
            BinaryNode node;
            Range left, right;
            bool inner = false;
        };
        std::vector<Pending> big;
        for (const Pending& p : wave) {
            if (static_cast<size_t>(p.range.Count()) <= subtreeLimit) {
                subtrees.push_back({p.range, p.pair, p.slot, {}, {}});
            } else {
                big.push_back(p);
            }
        }
        std::vector<Split> splits(big.size());
        tasks::RunChunks(big.size(), [&](size_t i) {
            splits[i].inner = SplitRange(items.data(), big[i].range, splits[i].node, splits[i].left, splits[i].right);
        });
        wave.clear();
        for (size_t i = 0; i < big.size(); ++i) {
            BinaryNode& node = splits[i].node;
            if (splits[i].inner) {
                node.first = static_cast<int32_t>(pairs.size());
                pairs.emplace_back();
                wave.push_back({splits[i].left, node.first, 0});
                wave.push_back({splits[i].right, node.first, 1});
            }
            pairs[big[i].pair].child[big[i].slot] = node;
        }
    }

    tasks::RunChunks(subtrees.size(), [&](size_t i) {
        Subtree& subtree = subtrees[i];
        std::vector<NodePair> local(1);
        local.reserve(static_cast<size_t>(subtree.range.Count()) / 2 + 1);
        BuildSubtree(items.data(), subtree.range, local, 0, 0);
        subtree.root = local[0].child[0];
        if (subtree.root.count > 0) return;
        subtree.wide.reserve(local.size() / 2 + 1);
        subtree.wide.push_back(EmptyNode());
        Widen(local, subtree.root, subtree.wide, 0);
    });
    for (size_t i = 0; i < subtrees.size(); ++i) {
        BinaryNode root = subtrees[i].root;
        if (root.count == 0) root.first = -1 - static_cast<int32_t>(i);
        pairs[subtrees[i].pair].child[subtrees[i].slot] = root;
    }

    // The top's wide nodes first, then each subtree's.
    const BinaryNode& top = pairs[0].child[0];
    if (Opens(top)) {
        bvh.nodes.push_back(EmptyNode());
        Widen(pairs, top, bvh.nodes, 0);
    } else if (top.count > 0) {
        SetLane(bvh.nodes.emplace_back(EmptyNode()), 0, top);  // one leaf in lane 0
    }
    std::vector<int32_t> bases(subtrees.size());
    size_t total = bvh.nodes.size();
    for (size_t i = 0; i < subtrees.size(); ++i) {
        bases[i] = static_cast<int32_t>(total);
        total += subtrees[i].wide.size();
    }
    for (BvhNode& node : bvh.nodes) {
        for (int k = 0; k < 4; ++k) {
            if (node.count[k] == 0 && node.first[k] < 0) node.first[k] = bases[-1 - node.first[k]];
        }
    }
    bvh.nodes.resize(total);
    tasks::RunChunks(subtrees.size(), [&](size_t i) {
        BvhNode* out = bvh.nodes.data() + bases[i];
        for (BvhNode& node : subtrees[i].wide) {
            for (int k = 0; k < 4; ++k) {
                if (node.count[k] == 0) node.first[k] += bases[i];
            }
            *out++ = node;
        }
        subtrees[i].wide = {};
    });

    GrowForOverwrite(bvh.triangles, static_cast<size_t>(n));
    tasks::ParallelFor(static_cast<size_t>(n), kItemGrain, [&](size_t begin, size_t end) {
        for (size_t k = begin; k < end; ++k) bvh.triangles[k] = MakeTriangle(mesh, items[k].index);
    });
    return bvh;
}

}  // namespace vgx::platform
