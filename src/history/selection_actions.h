// The actions of the Select menu and the marquee. Each keeps a copy of the selection, taken at
// every execution and dropped at every undo; none marks the document modified.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/geometry.h"
#include "document/selection.h"
#include "history/history_action.h"

namespace varnel {

class SelectionAction : public HistoryAction {
public:
    SelectionAction(Document* image, Selection* selection) : HistoryAction(image, selection, -1) {}

    // Copies the selection (unless a copy is held) and applies the change. Returns 0, putting the
    // selection back, only when the change cannot apply at all; a change that finds nothing to
    // do (Deselect with nothing selected) still counts as done.
    int execute() override;
    // Puts the copy back and drops it.
    int revert() override;
    size_t byteSize() const override;

    // The specific change of the document's selection; 0 when it cannot apply.
    virtual int applyChange() = 0;

private:
    std::unique_ptr<Selection> copy_;
};

// "Deselect".
class DeselectAction : public SelectionAction {
public:
    using SelectionAction::SelectionAction;
    std::string name() const override { return "Deselect"; }
    int applyChange() override;
};

// "Rectangular Marquee" or "Elliptical Marquee": a new selection of the rectangle or of the
// ellipse inscribed in it.
class MarqueeAction : public SelectionAction {
public:
    MarqueeAction(Document* image, Selection* selection, Rect rect, bool elliptical = false)
        : SelectionAction(image, selection), rect_(rect), elliptical_(elliptical) {}
    std::string name() const override;
    int applyChange() override;

private:
    Rect rect_;
    bool elliptical_;
};

// "Select Canvas": the whole canvas (Select ▸ All).
class SelectAllAction : public SelectionAction {
public:
    using SelectionAction::SelectionAction;
    std::string name() const override { return "Select Canvas"; }
    int applyChange() override;
};

// "Select Inverse".
class SelectInverseAction : public SelectionAction {
public:
    using SelectionAction::SelectionAction;
    std::string name() const override { return "Select Inverse"; }
    int applyChange() override;
};

// "Feather": the radius is clamped to 0.1 … 250 when the action is built (values up to 0.1, and
// values that are not numbers, become 0.1).
class FeatherAction : public SelectionAction {
public:
    FeatherAction(Document* image, Selection* selection, double radius);
    std::string name() const override { return "Feather"; }
    int applyChange() override;
    double radius() const { return radius_; }

private:
    double radius_;
};

// The pixel count of Expand, Contract and Border, clamped to 1 … 100 (values up to 0 become 1).
int32_t clampSelectionPixels(int32_t pixels);

// "Expand", "Contract" and "Border" by a pixel count clamped when the action is built.
class ExpandAction : public SelectionAction {
public:
    ExpandAction(Document* image, Selection* selection, int32_t pixels)
        : SelectionAction(image, selection), pixels_(clampSelectionPixels(pixels)) {}
    std::string name() const override { return "Expand"; }
    int applyChange() override;
    int32_t pixels() const { return pixels_; }

private:
    int32_t pixels_;
};

class ContractAction : public SelectionAction {
public:
    ContractAction(Document* image, Selection* selection, int32_t pixels)
        : SelectionAction(image, selection), pixels_(clampSelectionPixels(pixels)) {}
    std::string name() const override { return "Contract"; }
    int applyChange() override;
    int32_t pixels() const { return pixels_; }

private:
    int32_t pixels_;
};

class BorderAction : public SelectionAction {
public:
    BorderAction(Document* image, Selection* selection, int32_t width)
        : SelectionAction(image, selection), width_(clampSelectionPixels(width)) {}
    std::string name() const override { return "Border"; }
    int applyChange() override;
    int32_t width() const { return width_; }

private:
    int32_t width_;
};

// "Grow" (adjacent pixels) or "Similar" (all pixels) of a colour within `tolerance` (the
// settings' pixel similarity tolerance at the time of the command) of the selected ones, sampled
// on the active layer.
class GrowSimilarAction : public SelectionAction {
public:
    GrowSimilarAction(Document* image, Selection* selection, bool grow, int32_t tolerance)
        : SelectionAction(image, selection), grow_(grow), tolerance_(tolerance) {}
    std::string name() const override { return grow_ ? "Grow" : "Similar"; }
    int applyChange() override;

private:
    bool grow_;
    int32_t tolerance_;
};

// "Load Selection": saved channel `index` (inverted first when `invert`) replaces the selection
// (operation 0) or is combined into it (1 add, 2 subtract, 3 intersect). Fails when there is no
// such channel or it no longer has the canvas's size.
class LoadSelectionAction : public SelectionAction {
public:
    LoadSelectionAction(Document* image, Selection* selection, int index, bool invert,
                        int32_t operation)
        : SelectionAction(image, selection),
          channel_(index),
          invert_(invert),
          operation_(operation) {}
    std::string name() const override { return "Load Selection"; }
    int applyChange() override;

private:
    int channel_;
    bool invert_;
    int32_t operation_;
};

}  // namespace varnel
