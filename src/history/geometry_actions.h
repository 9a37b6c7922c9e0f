// The actions that change the whole image's geometry: Image Size, Canvas Size, Rotate Canvas,
// the flips, Crop and Trim. Each first removes the selection (through an embedded Deselect, so
// that undo brings it back); an Image Size that changes only the resolution keeps it. The changes
// that build new pixels keep the storage they replace (never a copy of the image) and move it back
// on undo; the flips and the half turn, which work in place, undo by applying themselves once more
// and keep no pixels at all.
#pragma once

#include <memory>
#include <string>

#include "core/geometry.h"
#include "history/document_action.h"
#include "history/image_snapshot.h"
#include "history/selection_actions.h"
#include "imageops/canvas_geometry.h"
#include "imageops/image_size.h"

namespace varnel {

class GeometryAction : public DocumentAction {
public:
    GeometryAction(Document* image, Selection* selection);
    // Deselects, changes the image keeping what the change replaces, and leaves the selection
    // empty on the new canvas. A failed change puts the selection back and changes nothing.
    int execute() override;
    // Puts the image back (the kept storage, or the change applied again), then the selection.
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

protected:
    // Runs before the selection is removed (Crop reads the selection's bounds here).
    virtual void prepare() {}
    // Changes the image, handing the storage it replaces to `replaced`.
    virtual int change(ReplacedParts* replaced) = 0;
    // True when the change works in place and applying it again undoes it exactly.
    virtual bool undoesItself() const { return false; }
    // True when the change leaves the pixel grid as it is, so the selection stays.
    virtual bool keepsSelection() const { return false; }

private:
    DeselectAction deselect_;
    std::unique_ptr<ReplacedImage> undo_;
    bool done_ = false;
    bool deselected_ = false;
};

// "Image Size".
class ImageSizeAction : public GeometryAction {
public:
    ImageSizeAction(Document* image, Selection* selection, const ImageSizeParams& params)
        : GeometryAction(image, selection), params_(params) {}
    std::string name() const override { return "Image Size"; }

protected:
    int change(ReplacedParts* replaced) override { return resizeImage(*image_, params_, replaced); }
    // A change of the resolution alone keeps every pixel where it is.
    bool keepsSelection() const override {
        return params_.width == params_.oldWidth && params_.height == params_.oldHeight;
    }

private:
    ImageSizeParams params_;
};

// "Canvas Size".
class CanvasSizeAction : public GeometryAction {
public:
    CanvasSizeAction(Document* image, Selection* selection, const CanvasSizeParams& params)
        : GeometryAction(image, selection), params_(params) {}
    std::string name() const override { return "Canvas Size"; }

protected:
    int change(ReplacedParts* replaced) override {
        return resizeCanvas(*image_, params_, replaced);
    }

private:
    CanvasSizeParams params_;
};

// "Rotate Canvas" by 90, 180 or 270 degrees clockwise.
class RotateCanvasAction : public GeometryAction {
public:
    RotateCanvasAction(Document* image, Selection* selection, double angle)
        : GeometryAction(image, selection), angle_(angle) {}
    std::string name() const override { return "Rotate Canvas"; }

protected:
    int change(ReplacedParts* replaced) override { return rotateCanvas(*image_, angle_, replaced); }
    bool undoesItself() const override;

private:
    double angle_;
};

// "Flip Canvas Horizontal" or "Flip Canvas Vertical".
class FlipCanvasAction : public GeometryAction {
public:
    FlipCanvasAction(Document* image, Selection* selection, bool horizontal)
        : GeometryAction(image, selection), horizontal_(horizontal) {}
    std::string name() const override {
        return horizontal_ ? "Flip Canvas Horizontal" : "Flip Canvas Vertical";
    }

protected:
    int change(ReplacedParts*) override { return flipCanvas(*image_, horizontal_); }
    bool undoesItself() const override { return true; }

private:
    bool horizontal_;
};

// "Crop" to the selection's bounds as they were at the first execution.
class CropAction : public GeometryAction {
public:
    using GeometryAction::GeometryAction;
    std::string name() const override { return "Crop"; }

protected:
    void prepare() override;
    int change(ReplacedParts* replaced) override { return cropCanvas(*image_, bounds_, replaced); }

private:
    bool prepared_ = false;
    Rect bounds_;
};

// "Trim".
class TrimAction : public GeometryAction {
public:
    using GeometryAction::GeometryAction;
    std::string name() const override { return "Trim"; }

protected:
    int change(ReplacedParts* replaced) override { return trimCanvas(*image_, replaced); }
};

}  // namespace varnel
