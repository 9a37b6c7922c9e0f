#include "document/document.h"

#include <algorithm>
#include <new>

#include "core/surface_ops.h"

namespace varnel {

bool ImageSettings::isValid() const {
    return width >= 1 && width <= 30000 && height >= 1 && height <= 30000 && resolution >= 1.0f &&
           resolution <= 9999.999f && (resolutionUnit == 0 || resolutionUnit == 1);
}

// --- composite ------------------------------------------------------------------------------

int DocumentComposite::update(const LayerStack& stack, Rect rect) {
    const Size canvas = stack.canvasSize();
    if (canvas.isEmpty()) return 0;
    if (!color_.isValid() || color_.size() != canvas || !alpha_.isValid() ||
        alpha_.size() != canvas) {
        ColorImage color;
        Mask alpha;
        if (!color.createColor(canvas.width, canvas.height) ||
            !alpha.createGray(canvas.width, canvas.height)) {
            return 0;
        }
        color_.swapStores(color);
        alpha_.swapStores(alpha);
        rect = Rect::fromSize(canvas);
    }
    try {
        const CompositeList list = stack.compositeList();
        if (list.entries.empty()) return fillValue(alpha_, 0);
        return compositeInto(list.entries, color_, alpha_, rect);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// --- document -------------------------------------------------------------------------------

Document::~Document() {
    // Layers go first: they may refer back to the document.
    layers_.reset();
}

LayerStack& Document::layers() {
    if (!layers_) layers_ = std::make_unique<LayerStack>(*this);
    return *layers_;
}

const LayerStack& Document::layers() const {
    if (!layers_) layers_ = std::make_unique<LayerStack>(const_cast<Document&>(*this));
    return *layers_;
}

std::unique_ptr<Document> Document::createBlank(const ImageSettings& settings) {
    if (!settings.isValid()) return nullptr;
    try {
        auto doc = std::make_unique<Document>();
        doc->width_ = settings.width;
        doc->height_ = settings.height;
        doc->resolution_ = settings.resolution;
        doc->resolutionUnit_ = settings.resolutionUnit;
        doc->fileName_ = settings.fileName;
        doc->title_ = settings.title;
        doc->transparentBackground_ = settings.transparentBackground;
        doc->backgroundColor_ = settings.backgroundColor;
        doc->previewOnly_ = settings.previewOnly;
        doc->modified_ = 0;
        const bool ok = settings.transparentBackground
                            ? doc->layers().newEmptyLayer() != nullptr
                            : doc->layers().newBackground(settings.backgroundColor) != nullptr;
        if (!ok) return nullptr;
        doc->invalidate(doc->bounds());
        return doc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<Document> Document::fromImage(ColorImage& pixels, GrayMap* transparency,
                                              std::string_view path) {
    if (!pixels.isValid()) return nullptr;
    if (transparency && (!transparency->isValid() || transparency->bitsPerPixel() != 8 ||
                         transparency->size() != pixels.size())) {
        return nullptr;
    }
    try {
        auto doc = std::make_unique<Document>();
        doc->width_ = pixels.width();
        doc->height_ = pixels.height();
        doc->setPath(path);
        doc->modified_ = 1;
        if (transparency) {
            auto masks = std::make_unique<LayerMaskSet>(pixels.width(), pixels.height());
            auto plane = std::make_unique<Channel>();
            plane->swapStores(*transparency);
            masks->setPlane(0, std::move(plane));
            if (!doc->layers().adoptRasterLayer(pixels, std::move(masks), {0, 0})) {
                transparency->swapStores(*masks->plane(0));
                return nullptr;
            }
        } else if (!doc->layers().adoptBackground(pixels, true, {0, 0})) {
            return nullptr;
        }
        doc->invalidate(doc->bounds());
        return doc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<Document> Document::duplicate() const {
    try {
        auto doc = std::make_unique<Document>();
        doc->width_ = width_;
        doc->height_ = height_;
        doc->resolution_ = resolution_;
        doc->resolutionUnit_ = resolutionUnit_;
        doc->filePath_ = filePath_;
        doc->fileName_ = fileName_;
        doc->title_ = title_;
        doc->transparentBackground_ = transparentBackground_;
        doc->backgroundColor_ = backgroundColor_;
        doc->previewOnly_ = previewOnly_;
        doc->modified_ = 1;
        doc->metadata_ = metadata_;
        LayerStack& stack = doc->layers();
        const LayerStack& mine = layers();
        for (int i = 0; i < mine.count(); ++i) {
            std::unique_ptr<LayerItem> copy = mine.layerAt(i)->clone(&stack);
            if (!copy || !stack.insert(std::move(copy), stack.count())) return nullptr;
        }
        for (const auto& c : channels_) {
            auto copy = cloneOf(*c);
            if (!copy) return nullptr;
            doc->channels_.push_back(std::move(copy));
        }
        doc->invalidate(doc->bounds());
        return doc;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Document::setPath(std::string_view path) {
    filePath_ = path;
    const size_t cut = path.find_last_of("/\\:");
    fileName_ = cut == std::string_view::npos ? path : path.substr(cut + 1);
    title_ = fileName_;
}

ImageSettings Document::settings() const {
    ImageSettings s;
    s.width = width_;
    s.height = height_;
    s.resolution = resolution_;
    s.resolutionUnit = resolutionUnit_;
    s.fileName = fileName_;
    s.title = title_;
    s.transparentBackground = transparentBackground_;
    s.backgroundColor = backgroundColor_;
    s.previewOnly = previewOnly_;
    return s;
}

void Document::setCanvasSize(Size size) {
    width_ = size.width;
    height_ = size.height;
}

DocumentComposite* Document::composite() {
    if (!composite_) {
        try {
            composite_ = std::make_unique<DocumentComposite>();
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        if (!composite_->update(layers(), bounds())) {
            composite_.reset();
            return nullptr;
        }
    }
    return composite_.get();
}

int Document::flattenForSave(ColorImage& color, GrayMap& alpha, bool keepAlpha) {
    // A composite made only for this save (no window keeps one) is taken over instead of copied:
    // it would be remade on next use anyway, and copying 24-bit planes of a large canvas into
    // fresh memory costs more than the composite itself.
    const bool madeHere = !composite_;
    DocumentComposite* comp = composite();
    if (!comp) return 0;
    std::unique_ptr<DocumentComposite> taken;
    if (madeHere) taken = std::move(composite_);
    ColorImage out;
    if (madeHere ? !out.swapStores(comp->color()) : !out.copyFrom(comp->color())) return 0;
    const bool transparent = hasNon255(comp->alpha());
    if (transparent && keepAlpha) {
        GrayMap a;
        if (madeHere ? !a.swapStores(comp->alpha()) : !a.copyFrom(comp->alpha())) return 0;
        // A pixel no layer covers keeps whatever colour the composite last held there (possibly
        // from a deleted layer); it is written black rather than leaking that colour into files.
        for (int32_t y = 0; y < out.height(); ++y) {
            Bgr* row = out.pixels(y);
            const uint8_t* ar = a.row(y);
            for (int32_t x = 0; x < out.width(); ++x) {
                if (ar[x] == 0) row[x] = Bgr{};
            }
        }
        color.swapStores(out);
        alpha.swapStores(a);
        return 1;
    }
    if (transparent) overBackground(out, comp->alpha(), PatternBackground::solidWhite());
    color.swapStores(out);
    alpha.release();
    return 1;
}

void Document::invalidate(Rect rect) {
    if (!composite_) return;
    rect = rect.intersected(bounds());
    if (rect.isEmpty() && composite_->size() == size()) return;
    // A composite that cannot be brought up to date is dropped and remade on next use.
    if (!composite_->update(layers(), rect)) composite_.reset();
}

void Document::notify(const ChangeRecord& change) {
    if (change.code != kChangeName) invalidate(change.rect);
    // A listener may remove itself (or another) while being told; each one still registered when
    // its turn comes is told once.
    const std::vector<DocumentListener*> snapshot = listeners_;
    for (DocumentListener* l : snapshot) {
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) {
            l->documentChanged(change);
        }
    }
}

void Document::addListener(DocumentListener* listener) {
    if (!listener) return;
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void Document::removeListener(DocumentListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

}  // namespace varnel
