// The Image menu's geometry: Image Size, Canvas Size, Rotate Canvas, Flip Canvas, Crop and Trim.
// Each action leaves nothing selected once the canvas changed (undo brings the selection back).
#include <cctype>
#include <charconv>
#include <cmath>

#include "commands/catalogue.h"
#include "commands/command_text.h"
#include "commands/geometry_params.h"
#include "document/layer.h"
#include "history/geometry_actions.h"
#include "imageops/canvas_geometry.h"
#include "imageops/image_size.h"
#include "imageops/units.h"

namespace varnel {

namespace {

constexpr const char* kNoMemory = "not enough memory to change the image";

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

const char* const kAnchorNames[9] = {"top-left",    "top",    "top-right",
                                     "left",        "center", "right",
                                     "bottom-left", "bottom", "bottom-right"};

// Degrees clockwise: 90, 180 or 270.
struct RotateParams {
    int32_t degrees = 180;
};

struct FlipParams {
    bool horizontal = true;
};

DocumentCommand command(int id, const char* name, const char* option, const char* syntax,
                        const char* help) {
    return makeCommand(id, name, option, syntax, help, kNoMemory);
}

}  // namespace

void addGeometryCommands(std::vector<DocumentCommand>& out) {
    DocumentCommand imageSize = command(
        kCmdImageSize, "Image Size", "--image-size", "W,H[,METHOD[,RES[,UNIT]]]",
        "Image Size: scales every layer and channel to W x H pixels (1..30000) with METHOD "
        "(Nearest Neighbor, which repeats pixels, or the smooth Bilinear, Bicubic Smooth, Bicubic "
        "Sharp, BSpline, Lanczos; or 0..5; Bicubic Smooth when left out); RES sets the "
        "resolution (1..9999.999) in UNIT ppi or ppcm");
    imageSize.entries = {{kCmdImageSize, std::nullopt}};
    setTyped<ImageSizeCommandParams>(
        imageSize, {[](std::string_view text, ImageSizeCommandParams& s, std::string& error) {
                        const std::vector<std::string> p = splitCommas(std::string(text));
                        if (p.size() < 2 || p.size() > 5) {
                            error = "give W,H and optionally METHOD, RES and UNIT";
                            return false;
                        }
                        return parseSide(p[0], "width", s.width, error) &&
                               parseSide(p[1], "height", s.height, error) &&
                               (p.size() <= 2 || parseMethod(p[2], s.method, error)) &&
                               (p.size() <= 3 || parseResolution(p[3], s.resolution, error)) &&
                               (p.size() <= 4 || parseResolutionUnit(p[4], s.unit, error));
                    },
                    [](const ImageSizeCommandParams& s) {
                        std::string out = std::to_string(s.width) + "," + std::to_string(s.height) +
                                          "," + std::to_string(s.method);
                        if (s.resolution > 0 || s.unit >= 0) {
                            // The resolution as the float it is kept in, so that it reads back the
                            // same.
                            char buffer[32];
                            const auto [end, ec] =
                                std::to_chars(buffer, buffer + sizeof buffer,
                                              s.resolution > 0 ? s.resolution : 72.0f);
                            out += "," + std::string(buffer, ec == std::errc() ? end : buffer);
                            if (s.unit >= 0)
                                out += s.unit == kPixelsPerCentimeter ? ",ppcm" : ",ppi";
                        }
                        return out;
                    },
                    [](Document& document, Selection& selection, const ImageSizeCommandParams& s,
                       const CommandContext&) {
                        ImageSizeParams params = ImageSizeParams::of(document);
                        params.width = s.width;
                        params.height = s.height;
                        params.method = s.method;
                        if (s.resolution > 0) params.resolution = s.resolution;
                        if (s.unit >= 0) params.resolutionUnit = s.unit;
                        if (!imageSizeChanges(document, params)) return MadeAction{};
                        return guarded([&] {
                            return std::make_unique<ImageSizeAction>(&document, &selection, params);
                        });
                    }});
    out.push_back(std::move(imageSize));

    DocumentCommand canvasSize = command(
        kCmdCanvasSize, "Canvas Size", "--canvas-size", "W,H[,ANCHOR[,RRGGBB]]",
        "Canvas Size: a canvas of W x H pixels (1..30000) with the image placed at ANCHOR "
        "(top-left, top, top-right, left, center, right, bottom-left, bottom, bottom-right, or "
        "0..8; center when left out); new area of the background in RRGGBB (the background "
        "colour when left out)");
    canvasSize.entries = {{kCmdCanvasSize, std::nullopt}};
    setTyped<CanvasSizeCommandParams>(
        canvasSize,
        {[](std::string_view text, CanvasSizeCommandParams& s, std::string& error) {
             const std::vector<std::string> p = splitCommas(std::string(text));
             if (p.size() < 2 || p.size() > 4) {
                 error = "give W,H and optionally ANCHOR and RRGGBB";
                 return false;
             }
             if (!parseSide(p[0], "width", s.width, error) ||
                 !parseSide(p[1], "height", s.height, error) ||
                 (p.size() > 2 && !parseAnchor(p[2], s.anchor, error)) ||
                 (p.size() > 3 && !parseRgb(p[3], s.color, error)))
                 return false;
             s.customColor = p.size() > 3;
             return true;
         },
         [](const CanvasSizeCommandParams& s) {
             std::string out = std::to_string(s.width) + "," + std::to_string(s.height) + "," +
                               (s.anchor >= 0 && s.anchor < 9 ? kAnchorNames[s.anchor] : "center");
             if (s.customColor) out += "," + formatRgb(s.color);
             return out;
         },
         [](Document& document, Selection& selection, const CanvasSizeCommandParams& s,
            const CommandContext& context) {
             const ColorRef color = s.customColor ? s.color : context.background;
             if (document.size() == Size{s.width, s.height}) return MadeAction{};
             const CanvasSizeParams params =
                 CanvasSizeParams::forAnchor(document, {s.width, s.height}, s.anchor, color);
             return guarded(
                 [&] { return std::make_unique<CanvasSizeAction>(&document, &selection, params); });
         }});
    out.push_back(std::move(canvasSize));

    DocumentCommand rotate = command(kCmdRotate180, "Rotate Canvas", "--rotate", "180|90cw|90ccw",
                                     "Rotate Canvas: 180°, 90° clockwise or 90° counter-clockwise");
    rotate.entries = {{kCmdRotate180, "180"}, {kCmdRotate90CW, "90cw"}, {kCmdRotate90CCW, "90ccw"}};
    setTyped<RotateParams>(
        rotate,
        {[](std::string_view text, RotateParams& p, std::string& error) {
             const std::string s = squeezed(std::string(text));
             if (s == "180") {
                 p.degrees = 180;
             } else if (s == "90cw" || s == "90") {
                 p.degrees = 90;
             } else if (s == "90ccw" || s == "270") {
                 p.degrees = 270;
             } else {
                 error = "\"" + std::string(text) + "\" is not 180, 90cw or 90ccw";
                 return false;
             }
             return true;
         },
         [](const RotateParams& p) {
             return std::string(p.degrees == 90 ? "90cw" : p.degrees == 270 ? "90ccw" : "180");
         },
         [](Document& document, Selection& selection, const RotateParams& p,
            const CommandContext&) {
             return guarded([&] {
                 return std::make_unique<RotateCanvasAction>(&document, &selection,
                                                             double(p.degrees));
             });
         }});
    out.push_back(std::move(rotate));

    DocumentCommand flip = command(kCmdFlipHorizontal, "Flip Canvas Horizontal", "--flip", "h|v",
                                   "Flip Canvas Horizontal (h) or Vertical (v)");
    flip.entries = {{kCmdFlipHorizontal, "h"}, {kCmdFlipVertical, "v"}};
    setTyped<FlipParams>(
        flip,
        {[](std::string_view text, FlipParams& p, std::string& error) {
             const std::string s = squeezed(std::string(text));
             const bool h = s == "h" || s == "horizontal";
             if (!h && s != "v" && s != "vertical") {
                 error = "\"" + std::string(text) + "\" is not h or v";
                 return false;
             }
             p.horizontal = h;
             return true;
         },
         [](const FlipParams& p) { return std::string(p.horizontal ? "h" : "v"); },
         [](Document& document, Selection& selection, const FlipParams& p, const CommandContext&) {
             return guarded([&] {
                 return std::make_unique<FlipCanvasAction>(&document, &selection, p.horizontal);
             });
         }});
    out.push_back(std::move(flip));

    DocumentCommand crop = command(kCmdCrop, "Crop", "--crop", "",
                                   "Crop: the canvas becomes the selection's bounding rectangle");
    crop.entries = {{kCmdCrop, ""}};
    crop.isEnabled = [](const Document& document, const Selection& selection,
                        const CommandContext&) {
        return !selection.isEmpty() && selection.bounds().intersects(document.bounds());
    };
    setWithoutParams(crop, [](Document& document, Selection& selection, const CommandContext&) {
        if (selection.isEmpty() || !canCrop(document, selection.bounds()))
            return MadeAction{nullptr, "Crop needs a selection"};
        return guarded([&] { return std::make_unique<CropAction>(&document, &selection); });
    });
    out.push_back(std::move(crop));

    DocumentCommand trim = command(
        kCmdTrim, "Trim", "--trim", "",
        "Trim: cuts away the border of the top-left pixel's colour (an image whose one layer is "
        "the background)");
    trim.entries = {{kCmdTrim, ""}};
    setWithoutParams(trim, [](Document& document, Selection& selection, const CommandContext&) {
        if (!canTrim(document))
            return MadeAction{nullptr, "Trim needs an image whose one layer is the background"};
        // An image of one colour, or without a border to cut, is left alone (and so is the
        // selection): nothing to change.
        const RasterLayer& background = *document.layers().rasterAt(0);
        const Rect box = background.pixels().trimBounds();
        if (box.isEmpty() ||
            box.offset(background.offset().x, background.offset().y) == document.bounds())
            return MadeAction{};
        return guarded([&] { return std::make_unique<TrimAction>(&document, &selection); });
    });
    out.push_back(std::move(trim));
}

}  // namespace varnel
