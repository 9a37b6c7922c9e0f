#include "document/layer_stack.h"

#include <algorithm>
#include <new>
#include <utility>

#include "core/blend_modes.h"
#include "document/document.h"
#include "document/layer_names.h"

namespace varnel {

LayerStack::~LayerStack() = default;

Size LayerStack::canvasSize() const {
    return document_->size();
}

LayerItem* LayerStack::layerAt(int index) const {
    return index >= 0 && index < count() ? layers_[size_t(index)].get() : nullptr;
}

int LayerStack::indexOf(const LayerItem* layer) const {
    if (!layer) return -1;
    for (size_t i = 0; i < layers_.size(); ++i) {
        if (layers_[i].get() == layer) return int(i);
    }
    return -1;
}

int LayerStack::setActiveLayer(LayerItem* layer) {
    if (!contains(layer)) return 0;
    active_ = layer;
    return 1;
}

bool LayerStack::isRasterAt(int index) const {
    const LayerItem* l = layerAt(index);
    return l && l->kind() == kLayerKindRaster;
}

bool LayerStack::isBackgroundAt(int index) const {
    const LayerItem* l = layerAt(index);
    return l && l->isBackground();
}

LayerItem* LayerStack::firstBackground() const {
    for (const auto& l : layers_) {
        if (l->isBackground()) return l.get();
    }
    return nullptr;
}

RasterLayer* LayerStack::rasterAt(int index) const {
    return isRasterAt(index) ? static_cast<RasterLayer*>(layerAt(index)) : nullptr;
}

std::vector<std::string> LayerStack::names() const {
    std::vector<std::string> out;
    out.reserve(layers_.size());
    for (const auto& l : layers_) out.push_back(l->name());
    return out;
}

std::string LayerStack::nextLayerName() const {
    return varnel::nextLayerName(names());
}

std::string LayerStack::duplicateName(const std::string& name) const {
    return duplicateLayerName(name, names());
}

Rect LayerStack::changeRect(const LayerItem* layer, bool regardlessOfVisibility) const {
    if (!layer || !layer->hasProperties()) return {};
    if (!regardlessOfVisibility && !layer->isVisible()) return {};
    return layer->canvasBounds().intersected(Rect::fromSize(canvasSize()));
}

void LayerStack::send(LayerItem* layer, Rect rect, int32_t code) const {
    document_->notify({document_, layer, rect.intersected(Rect::fromSize(canvasSize())), code});
}

// --- insertion and removal ------------------------------------------------------------------

bool LayerStack::reserve(int count) {
    try {
        if (count > 0) layers_.reserve(size_t(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

LayerItem* LayerStack::insert(std::unique_ptr<LayerItem>&& layer, int index, bool notify) {
    if (!layer || contains(layer.get())) return nullptr;
    const int n = count();
    int at = n;
    if (index >= 0) {
        at = std::min(index, n);
    } else if (layer->isBackground()) {
        at = 0;
    } else if (active_) {
        at = indexOf(active_) + 1;
    }
    try {
        layers_.reserve(layers_.size() + 1);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    LayerItem* p = layer.get();
    p->setStack(this);
    layers_.insert(layers_.begin() + at, std::move(layer));
    active_ = p;
    if (notify) send(p, changeRect(p, false), kChangeStructure);
    return p;
}

std::unique_ptr<LayerItem> LayerStack::detach(LayerItem* layer, bool notify) {
    const int i = indexOf(layer);
    if (i < 0) return nullptr;
    const Rect old = changeRect(layer, false);
    std::unique_ptr<LayerItem> out = std::move(layers_[size_t(i)]);
    layers_.erase(layers_.begin() + i);
    if (active_ == layer) {
        active_ = layers_.empty() ? nullptr : layers_[size_t(std::min(i, count() - 1))].get();
    }
    if (notify) send(layer, old, kChangeStructure);
    out->setStack(nullptr);
    return out;
}

bool LayerStack::canMove(int from, int to) const {
    const LayerItem* layer = layerAt(from);
    if (!layer || !layerAt(to) || from == to || layer->isBackground()) return false;
    // Moving down, the layers passed end up above the moved one: none may be a background.
    for (int i = to; i < from; ++i)
        if (layers_[size_t(i)]->isBackground()) return false;
    return true;
}

int LayerStack::move(int from, int to, bool notify) {
    if (!canMove(from, to)) return 0;
    std::unique_ptr<LayerItem> layer = std::move(layers_[size_t(from)]);
    LayerItem* moved = layer.get();
    layers_.erase(layers_.begin() + from);
    layers_.insert(layers_.begin() + to, std::move(layer));
    if (notify) send(moved, changeRect(moved, false), kChangeStructure);
    return 1;
}

void LayerStack::removeAll(bool notify) {
    if (layers_.empty()) return;
    layers_.clear();
    active_ = nullptr;
    if (notify) send(nullptr, Rect::fromSize(canvasSize()), kChangeStructure);
}

void LayerStack::replaceAll(std::vector<std::unique_ptr<LayerItem>>&& layers, int activeIndex) {
    layers_ = std::move(layers);
    for (auto& layer : layers_) layer->setStack(this);
    active_ = layerAt(activeIndex);
    send(nullptr, Rect::fromSize(canvasSize()), kChangeStructure);
}

std::unique_ptr<LayerItem> LayerStack::replaceAt(int index, std::unique_ptr<LayerItem>&& item) {
    if (!layerAt(index) || !item || contains(item.get())) return nullptr;
    std::unique_ptr<LayerItem>& slot = layers_[size_t(index)];
    if (active_ == slot.get()) active_ = item.get();
    item->setStack(this);
    std::unique_ptr<LayerItem> out = std::exchange(slot, std::move(item));
    out->setStack(nullptr);
    return out;
}

// --- making layers ----------------------------------------------------------------------------

RasterLayer* LayerStack::insertRaster(std::unique_ptr<RasterLayer> layer) {
    std::unique_ptr<LayerItem> item = std::move(layer);
    return static_cast<RasterLayer*>(insert(std::move(item), -1));
}

RasterLayer* LayerStack::newBackground(ColorRef color) {
    const Size canvas = canvasSize();
    auto layer = std::make_unique<RasterLayer>(std::string(kBackgroundName));
    if (!layer->pixels().createColor(canvas.width, canvas.height)) return nullptr;
    fillRectColor(layer->pixels(), Rect::fromSize(canvas), Bgr::fromColorRef(color));
    layer->setMasks(std::make_unique<LayerMaskSet>(canvas.width, canvas.height));
    layer->setBackground(true);
    return insertRaster(std::move(layer));
}

EmptyLayer* LayerStack::newEmptyLayer(const LayerProperties* properties) {
    if (properties && !isValidBlendMode(properties->blendMode)) return nullptr;
    auto layer = std::make_unique<EmptyLayer>();
    if (properties && !properties->name.empty()) {
        layer->setName(properties->name);
    } else {
        layer->setName(nextLayerName());
    }
    if (properties) {
        layer->setBlendMode(properties->blendMode);
        layer->setMasterOpacity(properties->masterOpacity);
    }
    std::unique_ptr<LayerItem> item = std::move(layer);
    return static_cast<EmptyLayer*>(insert(std::move(item), -1));
}

RasterLayer* LayerStack::newRasterLayer(const ColorImage& pixels, const GrayMap* transparency,
                                        Point offset, const std::string& name, bool background) {
    if (!pixels.isValid()) return nullptr;
    auto layer = std::make_unique<RasterLayer>();
    if (!layer->pixels().copyFrom(pixels)) return nullptr;
    auto masks = std::make_unique<LayerMaskSet>(pixels.width(), pixels.height());
    if (transparency && transparency->isValid() && transparency->bitsPerPixel() == 8 &&
        transparency->size() == pixels.size() && hasNon255(*transparency)) {
        auto plane = std::make_unique<Channel>();
        if (!plane->copyFrom(*transparency)) return nullptr;
        masks->setPlane(0, std::move(plane));
    }
    layer->setMasks(std::move(masks));
    layer->setName(!name.empty() ? name
                   : background  ? std::string(kBackgroundName)
                                 : nextLayerName());
    layer->setOffset(offset);
    layer->setBackground(background);
    return insertRaster(std::move(layer));
}

RasterLayer* LayerStack::adoptRasterLayer(ColorImage& pixels, std::unique_ptr<LayerMaskSet>&& masks,
                                          Point offset) {
    if (!pixels.isValid()) return nullptr;
    if (masks && masks->size() != pixels.size()) return nullptr;
    auto layer = std::make_unique<RasterLayer>(nextLayerName());
    layer->pixels().swapStores(pixels);
    const bool madeMasks = !masks;
    const Size size = layer->pixels().size();
    layer->setMasks(madeMasks ? std::make_unique<LayerMaskSet>(size.width, size.height)
                              : std::move(masks));
    layer->setOffset(offset);
    RasterLayer* raw = layer.get();
    std::unique_ptr<LayerItem> item = std::move(layer);
    if (LayerItem* p = insert(std::move(item), -1)) return static_cast<RasterLayer*>(p);
    // Give everything back; `item` still owns the layer.
    pixels.swapStores(raw->pixels());
    if (!madeMasks) masks = raw->takeMasks();
    return nullptr;
}

RasterLayer* LayerStack::adoptBackground(ColorImage& pixels, bool background, Point offset) {
    if (!pixels.isValid()) return nullptr;
    auto layer =
        std::make_unique<RasterLayer>(background ? std::string(kBackgroundName) : nextLayerName());
    layer->pixels().swapStores(pixels);
    layer->setMasks(
        std::make_unique<LayerMaskSet>(layer->pixels().width(), layer->pixels().height()));
    layer->setOffset(offset);
    layer->setBackground(background);
    RasterLayer* raw = layer.get();
    std::unique_ptr<LayerItem> item = std::move(layer);
    if (LayerItem* p = insert(std::move(item), -1)) return static_cast<RasterLayer*>(p);
    pixels.swapStores(raw->pixels());
    return nullptr;
}

LayerItem* LayerStack::duplicate(const LayerItem* layer, const std::string& name) {
    if (!layer) return nullptr;
    std::unique_ptr<LayerItem> copy = layer->clone(this);
    if (!copy) return nullptr;
    copy->setName(name);
    if (copy->kind() == kLayerKindRaster) static_cast<RasterLayer&>(*copy).setBackground(false);
    return insert(std::move(copy), -1);
}

int LayerStack::replaceContent(int index, const RasterLayer& source) {
    RasterLayer* target = rasterAt(index);
    if (!target) return 0;
    const Rect before = changeRect(target, false);
    if (!target->copyContentFrom(source)) return 0;
    send(target, before.united(changeRect(target, false)), kChangeStructure);
    return 1;
}

// --- properties -------------------------------------------------------------------------------

int LayerStack::setName(LayerItem* layer, const std::string& name, bool notify) {
    if (!contains(layer)) return 0;
    layer->setName(name);
    if (notify) send(layer, changeRect(layer, false), kChangeName);
    return 1;
}

int LayerStack::setBlendMode(LayerItem* layer, int32_t mode, bool notify) {
    if (!contains(layer) || !layer->hasProperties() || !isValidBlendMode(mode)) return 0;
    static_cast<EmptyLayer*>(layer)->setBlendMode(mode);
    if (notify) send(layer, changeRect(layer, false), kChangeBlendMode);
    return 1;
}

int LayerStack::setMasterOpacity(LayerItem* layer, uint8_t value, bool notify) {
    if (!contains(layer) || !layer->hasProperties()) return 0;
    static_cast<EmptyLayer*>(layer)->setMasterOpacity(value);
    if (notify) send(layer, changeRect(layer, false), kChangeOpacity);
    return 1;
}

int LayerStack::setVisible(LayerItem* layer, bool visible, bool notify) {
    if (!contains(layer)) return 0;
    layer->setVisible(visible);
    if (notify) send(layer, changeRect(layer, true), kChangeVisibility);
    return 1;
}

// --- compositing ------------------------------------------------------------------------------

CompositeList LayerStack::compositeList() const {
    std::vector<const LayerItem*> all;
    all.reserve(layers_.size());
    for (const auto& l : layers_) all.push_back(l.get());
    return {compositeEntries(all), Rect::fromSize(canvasSize())};
}

CompositeList LayerStack::compositeList(const std::vector<const LayerItem*>& layers) const {
    CompositeList out{compositeEntries(layers), {}};
    for (const CompositeEntry& e : out.entries) out.area = out.area.united(e.bounds);
    rebaseEntries(out.entries, out.area.topLeft());
    return out;
}

int LayerStack::composite(ColorImage& color, GrayMap& alpha, Rect rect) const {
    try {
        const CompositeList list = compositeList();
        return compositeInto(list.entries, color, alpha, rect);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

bool LayerStack::isOpaque() const {
    const Rect canvas = Rect::fromSize(canvasSize());
    for (const auto& l : layers_) {
        if (l->kind() != kLayerKindRaster || l->isEmpty() || !l->isVisible()) continue;
        const auto& r = static_cast<const RasterLayer&>(*l);
        if (r.pixels().isValid() && r.masterOpacity() == 255 && r.layerOpacity() == 255 &&
            !r.hasTransparency() && r.canvasBounds().contains(canvas)) {
            return true;
        }
    }
    return false;
}

const ColorImage* LayerStack::pixelsAsComposite() const {
    const RasterLayer* only = nullptr;
    for (const auto& l : layers_) {
        if (!takesPart(*l)) continue;
        if (only) return nullptr;
        only = static_cast<const RasterLayer*>(l.get());
    }
    if (!only || !only->pixels().isValid() || only->masterOpacity() != 255 ||
        only->layerOpacity() != 255 || only->hasTransparency() ||
        only->canvasBounds() != Rect::fromSize(canvasSize()) ||
        only->pixels().size() != canvasSize())
        return nullptr;
    return &only->pixels();
}

}  // namespace varnel
