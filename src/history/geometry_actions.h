// The actions that change the whole image's geometry: Image Size, Canvas Size, Rotate Canvas,
// the flips, Crop and Trim. Each first removes the selection (through an embedded Deselect, so
// that undo brings it back), keeps a copy of the whole image taken at its first execution, and
// puts that copy back on undo.
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
    GeometryAction(CommandTarget* owner, Document* image, Selection* selection);
    // Deselects, copies the image (the first time), changes it, and leaves the selection empty on
    // the new canvas. A failed change puts the selection back and changes nothing.
    int execute() override;
    // Puts the copied image back, then the selection.
    int revert() override;
    size_t byteSize() const override;

protected:
    // Runs before the selection is removed (Crop reads the selection's bounds here).
    virtual void prepare() {}
    virtual int change() = 0;

private:
    DeselectAction deselect_;
    std::unique_ptr<ImageSnapshot> snapshot_;
};

// "Image Size".
class ImageSizeAction : public GeometryAction {
public:
    ImageSizeAction(CommandTarget* owner, Document* image, Selection* selection,
                    const ImageSizeParams& params)
        : GeometryAction(owner, image, selection), params_(params) {}
    std::string name() const override { return "Image Size"; }

protected:
    int change() override { return resizeImage(*image_, params_); }

private:
    ImageSizeParams params_;
};

// "Canvas Size".
class CanvasSizeAction : public GeometryAction {
public:
    CanvasSizeAction(CommandTarget* owner, Document* image, Selection* selection,
                     const CanvasSizeParams& params)
        : GeometryAction(owner, image, selection), params_(params) {}
    std::string name() const override { return "Canvas Size"; }

protected:
    int change() override { return resizeCanvas(*image_, params_); }

private:
    CanvasSizeParams params_;
};

// "Rotate Canvas" by 90, 180 or 270 degrees clockwise.
class RotateCanvasAction : public GeometryAction {
public:
    RotateCanvasAction(CommandTarget* owner, Document* image, Selection* selection, double angle)
        : GeometryAction(owner, image, selection), angle_(angle) {}
    std::string name() const override { return "Rotate Canvas"; }

protected:
    int change() override { return rotateCanvas(*image_, angle_); }

private:
    double angle_;
};

// "Flip Canvas Horizontal" or "Flip Canvas Vertical".
class FlipCanvasAction : public GeometryAction {
public:
    FlipCanvasAction(CommandTarget* owner, Document* image, Selection* selection, bool horizontal)
        : GeometryAction(owner, image, selection), horizontal_(horizontal) {}
    std::string name() const override {
        return horizontal_ ? "Flip Canvas Horizontal" : "Flip Canvas Vertical";
    }

protected:
    int change() override { return flipCanvas(*image_, horizontal_); }

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
    int change() override { return cropCanvas(*image_, bounds_); }

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
    int change() override { return trimCanvas(*image_); }
};

}  // namespace varnel
