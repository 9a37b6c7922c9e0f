// The Image menu's geometry: Image Size, Canvas Size, Rotate Canvas, Flip Canvas, Crop and Trim.
// As the editor's commands do, each leaves nothing selected once the canvas changed.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "cli/edit_steps.h"
#include "document/layer.h"
#include "history/geometry_actions.h"
#include "imageops/canvas_geometry.h"
#include "imageops/image_size.h"
#include "imageops/units.h"

namespace varnel {

namespace {

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(',', start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

// Lower case without blanks, hyphens or underscores: "Bicubic Smooth" and "bicubic-smooth" match.
std::string squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_') continue;
        out.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    }
    return out;
}

bool parseSide(const std::string& text, const char* what, int32_t& out, std::string& error) {
    int64_t v = 0;
    if (!parseInteger(text, 1, kMaxSurfaceSide, v, error)) {
        error = std::string(what) + ": " + error;
        return false;
    }
    out = int32_t(v);
    return true;
}

bool parseMethod(const std::string& text, int32_t& method, std::string& error) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        int64_t id = 0;
        if (!parseInteger(text, 0, kResampleMethodCount - 1, id, error)) return false;
        method = int32_t(id);
        return true;
    }
    for (int32_t m = 0; m < kResampleMethodCount; ++m) {
        if (squeezed(resampleMethodName(m)) == squeezed(text)) {
            method = m;
            return true;
        }
    }
    error = "\"" + text + "\" is not a resampling method";
    return false;
}

bool parseResolution(const std::string& text, float& out, std::string& error) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(v)) {
        error = "\"" + text + "\" is not a resolution";
        return false;
    }
    if (v < 1.0 || v > 9999.999) {
        error = "the resolution must lie in 1..9999.999";
        return false;
    }
    out = float(v);
    return true;
}

bool parseResolutionUnit(const std::string& text, int32_t& unit, std::string& error) {
    const std::string s = squeezed(text);
    if (s == "0" || s == "ppi" || s == "pixels/inch" || s == "inch") {
        unit = kPixelsPerInch;
    } else if (s == "1" || s == "ppcm" || s == "pixels/cm" || s == "cm") {
        unit = kPixelsPerCentimeter;
    } else {
        error = "\"" + text + "\" is not a resolution unit (ppi or ppcm)";
        return false;
    }
    return true;
}

bool parseAnchor(const std::string& text, int32_t& anchor, std::string& error) {
    static const char* const names[9] = {"topleft",    "top",    "topright",
                                         "left",       "center", "right",
                                         "bottomleft", "bottom", "bottomright"};
    const std::string s = squeezed(text);
    if (!s.empty() && std::isdigit(static_cast<unsigned char>(s[0]))) {
        int64_t id = 0;
        if (!parseInteger(s, 0, 8, id, error)) return false;
        anchor = int32_t(id);
        return true;
    }
    for (int32_t i = 0; i < 9; ++i) {
        if (s == names[i] || (i == kAnchorCenter && s == "centre")) {
            anchor = i;
            return true;
        }
    }
    error = "\"" + text + "\" is not an anchor (top-left … bottom-right, or 0..8)";
    return false;
}

bool parseColor(const std::string& text, ColorRef& color, std::string& error) {
    std::string s = text;
    if (!s.empty() && s[0] == '#') s.erase(0, 1);
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (s.size() != 6 || ec != std::errc() || end != s.data() + s.size()) {
        error = "\"" + text + "\" is not a colour RRGGBB";
        return false;
    }
    color = makeRgb(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    return true;
}

// A geometry step is recorded in the history: the action removes the selection (which undo
// brings back), changes the image and leaves nothing selected on the new canvas.
bool changeCanvas(EditSession& session, std::string& failure,
                  std::unique_ptr<GeometryAction> action) {
    return perform(session, std::move(action), failure, "not enough memory to change the image");
}

struct ImageSizeStep {
    int32_t width = 0, height = 0;
    int32_t method = kResampleBicubicSmooth;
    float resolution = 0;  // 0: the image's
    int32_t unit = -1;     // -1: the image's
};

struct CanvasSizeStep {
    int32_t width = 0, height = 0;
    int32_t anchor = kAnchorCenter;
    bool customColor = false;
    ColorRef color = 0;
};

}  // namespace

void addGeometrySteps(std::vector<StepInfo>& steps) {
    steps.push_back(
        {"--image-size", "W,H[,METHOD[,RES[,UNIT]]]",
         "Image Size: scales every layer and channel to W x H pixels (1..30000) with METHOD "
         "(Nearest Neighbor, which repeats pixels, or the smooth Bilinear, Bicubic Smooth, Bicubic "
         "Sharp, BSpline, Lanczos; or 0..5; Bicubic Smooth when left out); RES sets the "
         "resolution (1..9999.999) in UNIT ppi or ppcm",
         [](const std::string& text, std::string& error) -> StepAction {
             const std::vector<std::string> p = splitCommas(text);
             ImageSizeStep s;
             if (p.size() < 2 || p.size() > 5) {
                 error = "give W,H and optionally METHOD, RES and UNIT";
                 return {};
             }
             if (!parseSide(p[0], "width", s.width, error) ||
                 !parseSide(p[1], "height", s.height, error) ||
                 (p.size() > 2 && !parseMethod(p[2], s.method, error)) ||
                 (p.size() > 3 && !parseResolution(p[3], s.resolution, error)) ||
                 (p.size() > 4 && !parseResolutionUnit(p[4], s.unit, error)))
                 return {};
             return [s](EditSession& session, std::string& failure) {
                 Document& doc = *session.document;
                 ImageSizeParams params = ImageSizeParams::of(doc);
                 params.width = s.width;
                 params.height = s.height;
                 params.method = s.method;
                 if (s.resolution > 0) params.resolution = s.resolution;
                 if (s.unit >= 0) params.resolutionUnit = s.unit;
                 if (!imageSizeChanges(doc, params)) return true;
                 return changeCanvas(
                     session, failure,
                     std::make_unique<ImageSizeAction>(&doc, session.selection.get(), params));
             };
         }});

    steps.push_back(
        {"--canvas-size", "W,H[,ANCHOR[,RRGGBB]]",
         "Canvas Size: a canvas of W x H pixels (1..30000) with the image placed at ANCHOR "
         "(top-left, top, top-right, left, center, right, bottom-left, bottom, bottom-right, or "
         "0..8; center when left out); new area of the background in RRGGBB (the background "
         "colour when left out)",
         [](const std::string& text, std::string& error) -> StepAction {
             const std::vector<std::string> p = splitCommas(text);
             CanvasSizeStep s;
             if (p.size() < 2 || p.size() > 4) {
                 error = "give W,H and optionally ANCHOR and RRGGBB";
                 return {};
             }
             if (!parseSide(p[0], "width", s.width, error) ||
                 !parseSide(p[1], "height", s.height, error) ||
                 (p.size() > 2 && !parseAnchor(p[2], s.anchor, error)) ||
                 (p.size() > 3 && !parseColor(p[3], s.color, error)))
                 return {};
             s.customColor = p.size() > 3;
             return [s](EditSession& session, std::string& failure) {
                 Document& doc = *session.document;
                 const ColorRef color = s.customColor ? s.color : session.background;
                 if (doc.size() == Size{s.width, s.height}) return true;
                 const CanvasSizeParams params =
                     CanvasSizeParams::forAnchor(doc, {s.width, s.height}, s.anchor, color);
                 return changeCanvas(
                     session, failure,
                     std::make_unique<CanvasSizeAction>(&doc, session.selection.get(), params));
             };
         }});

    steps.push_back({"--rotate", "180|90cw|90ccw",
                     "Rotate Canvas: 180°, 90° clockwise or 90° "
                     "counter-clockwise",
                     [](const std::string& text, std::string& error) -> StepAction {
                         const std::string s = squeezed(text);
                         double angle = 0;
                         if (s == "180") {
                             angle = 180;
                         } else if (s == "90cw" || s == "90") {
                             angle = 90;
                         } else if (s == "90ccw" || s == "270") {
                             angle = -90;
                         } else {
                             error = "\"" + text + "\" is not 180, 90cw or 90ccw";
                             return {};
                         }
                         return [angle](EditSession& session, std::string& failure) {
                             return changeCanvas(
                                 session, failure,
                                 std::make_unique<RotateCanvasAction>(
                                     session.document.get(), session.selection.get(), angle));
                         };
                     }});

    steps.push_back({"--flip", "h|v", "Flip Canvas Horizontal (h) or Vertical (v)",
                     [](const std::string& text, std::string& error) -> StepAction {
                         const std::string s = squeezed(text);
                         const bool h = s == "h" || s == "horizontal";
                         if (!h && s != "v" && s != "vertical") {
                             error = "\"" + text + "\" is not h or v";
                             return {};
                         }
                         return [h](EditSession& session, std::string& failure) {
                             return changeCanvas(
                                 session, failure,
                                 std::make_unique<FlipCanvasAction>(session.document.get(),
                                                                    session.selection.get(), h));
                         };
                     }});

    steps.push_back(
        {"--crop", "", "Crop: the canvas becomes the selection's bounding rectangle",
         [](const std::string&, std::string&) -> StepAction {
             return [](EditSession& session, std::string& failure) {
                 const Rect bounds = session.selection->bounds();
                 if (session.selection->isEmpty() || !canCrop(*session.document, bounds)) {
                     failure = "Crop needs a selection";
                     return false;
                 }
                 return changeCanvas(
                     session, failure,
                     std::make_unique<CropAction>(session.document.get(), session.selection.get()));
             };
         }});

    steps.push_back(
        {"--trim", "",
         "Trim: cuts away the border of the top-left pixel's colour (an image whose one layer "
         "is the background)",
         [](const std::string&, std::string&) -> StepAction {
             return [](EditSession& session, std::string& failure) {
                 if (!canTrim(*session.document)) {
                     failure = "Trim needs an image whose one layer is the background";
                     return false;
                 }
                 // An image of one colour, or without a border to cut, is left alone (and so is
                 // the selection): nothing is recorded.
                 const Document& doc = *session.document;
                 const RasterLayer& background = *doc.layers().rasterAt(0);
                 const Rect box = background.pixels().trimBounds();
                 if (box.isEmpty() ||
                     box.offset(background.offset().x, background.offset().y) == doc.bounds())
                     return true;
                 return changeCanvas(
                     session, failure,
                     std::make_unique<TrimAction>(session.document.get(), session.selection.get()));
             };
         }});
}

}  // namespace varnel
