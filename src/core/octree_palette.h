// The octree colour quantiser that chooses the palette when a colour or palette surface is
// reduced to 4 or 8 bits.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/color.h"

namespace varnel {

class PixelSurface;

// Colours are added one pixel at a time into a tree of at most `depth` levels, one bit of each
// channel per level. Whenever the tree holds more leaves than allowed, the most recently created
// node of the deepest level that still has children is folded into a leaf, so memory stays
// bounded by the depth and the leaf limit, whatever the image size.
class OctreePalette {
public:
    // colors: the wanted palette size, clamped to 2..256 (the leaf limit is the same count
    // clamped to 16..256); depth: tree levels, clamped to 1..8.
    OctreePalette(uint32_t colors, uint32_t depth);
    ~OctreePalette();
    OctreePalette(const OctreePalette&) = delete;
    OctreePalette& operator=(const OctreePalette&) = delete;

    // Adds every pixel of a 1, 4, 8 or 24-bit surface, rows top to bottom, left to right; a
    // 24-bit pixel counts with alpha 0, an indexed one with its palette entry's fourth byte.
    // Fails for other depths, for an invalid surface, and once the tree holds any colour.
    // A failure (memory short) leaves the tree empty.
    int addSurface(const PixelSurface& surface);
    // Adds one pixel; false when memory is short, which empties the tree.
    bool addColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    // Empties the tree.
    void clear();

    // Fills `entries` (blue, green, red, alpha) with the palette: one averaged entry per leaf
    // in tree order; below 16 colours the leaves are averaged further into paletteSize()
    // groups, weighted by pixel count. Fails when the tree is empty or `capacity` is below
    // paletteSize(). entryCount() then tells how many entries were written.
    int buildPalette(Bgra* entries, uint32_t capacity);

    uint32_t leafCount() const { return m_leafCount; }
    uint32_t maxLeafCount() const { return m_maxLeaves; }
    uint32_t paletteSize() const { return m_paletteSize; }
    uint32_t depth() const { return m_depth; }
    uint32_t entryCount() const { return m_entryCount; }
    bool isEmpty() const { return m_root == nullptr; }

private:
    struct Node;
    Node* newNode(uint32_t level);
    void freeNode(Node* node);
    void freeTree(Node* node);
    void reduceOnce();
    void collectLeaves(const Node* node, std::vector<const Node*>& leaves) const;

    Node* m_root = nullptr;
    Node* m_reducible[9] = {};
    uint32_t m_leafCount = 0;
    uint32_t m_maxLeaves = 0;
    uint32_t m_paletteSize = 0;
    uint32_t m_depth = 0;
    uint32_t m_entryCount = 0;
    // Recycled nodes, and the blocks they were carved from.
    Node* m_freeNodes = nullptr;
    std::vector<std::unique_ptr<Node[]>> m_blocks;
    // The leaf the last colour went into: a run of equal pixels skips the descent. Any reduction
    // forgets it, since it may free that leaf.
    uint32_t m_lastColor = 0;
    Node* m_lastLeaf = nullptr;
};

}  // namespace varnel
