#include "core/octree_palette.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "core/surface.h"
#include "platform/pixel_format.h"

namespace varnel {

// Sums are 64-bit: 255 × the pixels of a 30000 × 30000 surface passes 32 bits.
struct OctreePalette::Node {
    bool leaf = false;
    uint64_t count = 0;
    uint64_t sum[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    Node* children[8] = {};
    Node* next = nullptr;  // reducible list of the node's level, or the free list
};

OctreePalette::OctreePalette(uint32_t colors, uint32_t depth)
    : m_maxLeaves(std::clamp<uint32_t>(colors, 16, 256)),
      m_paletteSize(std::clamp<uint32_t>(colors, 2, 256)),
      m_depth(std::clamp<uint32_t>(depth, 1, 8)) {}

OctreePalette::~OctreePalette() = default;  // nodes live in m_blocks

OctreePalette::Node* OctreePalette::newNode(uint32_t level) {
    if (!m_freeNodes) {
        constexpr size_t kBlock = 256;
        std::unique_ptr<Node[]> fresh(new (std::nothrow) Node[kBlock]);
        if (!fresh) return nullptr;
        try {
            m_blocks.push_back(std::move(fresh));
        } catch (...) {
            return nullptr;
        }
        Node* block = m_blocks.back().get();
        for (size_t i = 0; i < kBlock; ++i) {
            block[i].next = m_freeNodes;
            m_freeNodes = &block[i];
        }
    }
    Node* node = m_freeNodes;
    m_freeNodes = node->next;
    *node = Node{};
    if (level == m_depth) {
        node->leaf = true;
        ++m_leafCount;
    } else {
        node->next = m_reducible[level];
        m_reducible[level] = node;
    }
    return node;
}

void OctreePalette::freeNode(Node* node) {
    node->next = m_freeNodes;
    m_freeNodes = node;
}

bool OctreePalette::addColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    const uint32_t key =
        uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16) | (uint32_t(a) << 24);
    Node* node = nullptr;
    if (m_lastLeaf && key == m_lastColor) {
        node = m_lastLeaf;
    } else {
        Node** slot = &m_root;
        for (uint32_t level = 0;; ++level) {
            if (!*slot && !(*slot = newNode(level))) {
                // A half-built path would leave a childless node; start over empty instead.
                clear();
                return false;
            }
            node = *slot;
            if (node->leaf) break;
            const int shift = 7 - int(level);
            const int child =
                (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
            slot = &node->children[child];
        }
    }
    node->count += 1;
    node->sum[0] += r;
    node->sum[1] += g;
    node->sum[2] += b;
    node->sum[3] += a;
    m_lastColor = key;
    m_lastLeaf = node;
    while (m_leafCount > m_maxLeaves) reduceOnce();
    return true;
}

void OctreePalette::clear() {
    if (m_root) freeTree(m_root);
    m_root = nullptr;
    std::fill(std::begin(m_reducible), std::end(m_reducible), nullptr);
    m_leafCount = 0;
    m_entryCount = 0;
    m_lastLeaf = nullptr;
}

void OctreePalette::reduceOnce() {
    int level = int(m_depth) - 1;
    while (level >= 0 && !m_reducible[level]) --level;
    if (level < 0) return;
    Node* node = m_reducible[level];
    m_reducible[level] = node->next;
    node->next = nullptr;
    uint32_t folded = 0;
    // Every deeper list is empty, so each child is a leaf.
    for (Node*& child : node->children) {
        if (!child) continue;
        node->count += child->count;
        for (int c = 0; c < 4; ++c) node->sum[c] += child->sum[c];
        freeTree(child);
        child = nullptr;
        ++folded;
    }
    node->leaf = true;
    m_leafCount -= folded;
    m_leafCount += 1;
    m_lastLeaf = nullptr;
}

void OctreePalette::freeTree(Node* node) {
    for (Node* child : node->children) {
        if (child) freeTree(child);
    }
    freeNode(node);
}

int OctreePalette::addSurface(const PixelSurface& surface) {
    if (m_root || !surface.isValid()) return 0;
    const SurfaceStore& s = *surface.store();
    const int32_t bpp = s.bitsPerPixel();
    const int32_t w = s.width(), h = s.height();
    if (bpp == 24) {
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* row = s.rows[y];
            for (int32_t x = 0; x < w; ++x, row += 3) {
                if (!addColor(row[2], row[1], row[0], 0)) return 0;
            }
        }
        return 1;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8) return 0;
    const auto& pal = s.palette.entries;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = s.rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t i = bpp == 8   ? row[x]
                               : bpp == 4 ? platform::readIndex4(row, x)
                                          : platform::readIndex1(row, x);
            // An index beyond the palette reads as black, as it does everywhere else.
            const Bgra e = i < pal.size() ? pal[i] : Bgra{};
            if (!addColor(e.r, e.g, e.b, e.a)) return 0;
        }
    }
    return 1;
}

void OctreePalette::collectLeaves(const Node* node, std::vector<const Node*>& leaves) const {
    if (node->leaf) {
        leaves.push_back(node);
        return;
    }
    for (const Node* child : node->children) {
        if (child) collectLeaves(child, leaves);
    }
}

int OctreePalette::buildPalette(Bgra* entries, uint32_t capacity) {
    if (!m_root || !entries || capacity < m_paletteSize) return 0;
    std::vector<const Node*> leaves;
    try {
        leaves.reserve(m_leafCount);
        collectLeaves(m_root, leaves);
    } catch (...) {
        return 0;
    }
    auto average = [](const Node* n) {
        return Bgra{uint8_t(n->sum[2] / n->count), uint8_t(n->sum[1] / n->count),
                    uint8_t(n->sum[0] / n->count), uint8_t(n->sum[3] / n->count)};
    };
    const uint32_t leafTotal = uint32_t(leaves.size());
    if (m_paletteSize >= 16 || m_paletteSize >= leafTotal) {
        // At 16 colours and more the leaf limit is the palette size, so every leaf fits.
        const uint32_t n = std::min(leafTotal, m_paletteSize);
        for (uint32_t i = 0; i < n; ++i) entries[i] = average(leaves[i]);
        m_entryCount = n;
        return 1;
    }
    // Fewer colours than leaves: cut the leaves, in tree order, into paletteSize groups.
    const uint64_t L = leafTotal, P = m_paletteSize;
    for (uint64_t c = 0; c < P; ++c) {
        const uint64_t from = c * L / P, to = (c + 1) * L / P;
        uint64_t weight = 0, sum[4] = {0, 0, 0, 0};
        for (uint64_t i = from; i < to; ++i) {
            const Bgra e = average(leaves[i]);
            const uint64_t n = leaves[i]->count;
            weight += n;
            sum[0] += n * e.r;
            sum[1] += n * e.g;
            sum[2] += n * e.b;
            sum[3] += n * e.a;
        }
        entries[c] = Bgra{uint8_t(sum[2] / weight), uint8_t(sum[1] / weight),
                          uint8_t(sum[0] / weight), uint8_t(sum[3] / weight)};
    }
    m_entryCount = m_paletteSize;
    return 1;
}

}  // namespace varnel
