#include "palettes/layers_page.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "palettes/layer_list.h"
#include "palettes/palette_group.h"
#include "palettes/palette_icons.h"
#include "widgets/popup_slider_field.h"

namespace varnel {

namespace {

const EmptyLayer* withProperties(const LayerItem* layer) {
    return layer && layer->hasProperties() ? static_cast<const EmptyLayer*>(layer) : nullptr;
}

}  // namespace

QString LayersPage::deleteQuestionText(const QString& name) {
    return QStringLiteral("Delete layer \"%1\"?").arg(name);
}

LayersPage::LayersPage(PaletteGroup* group, QWidget* parent)
    : PalettePage(group, QStringLiteral("Layers"), parent) {
    modes_ = new QComboBox(this);
    modes_->setObjectName(QStringLiteral("blendMode"));
    modes_->setAccessibleName(QStringLiteral("Blend mode"));
    for (int m = 0; m < kBlendModeCount; ++m) {
        const std::string_view name = blendModeName(m);
        modes_->addItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    opacityLabel_ = new QLabel(QStringLiteral("&Opacity:"), this);
    opacity_ = new PopupSliderField(this);
    opacity_->setObjectName(QStringLiteral("opacity"));
    opacity_->setAccessibleName(QStringLiteral("Opacity"));
    opacity_->setRange(0, 100);
    opacity_->setSuffix(QLatin1Char('%'));
    opacity_->setValue(100);
    opacity_->setMaxLength(4);
    opacity_->setFixedWidth(opacity_->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 34);
    opacityLabel_->setBuddy(opacity_);

    list_ = new LayerList(this);

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("layerButtons"));
    tools->setIconSize(QSize(12, 12));
    tools->setAccessibleName(QStringLiteral("Layer buttons"));
    newLayer_ = tools->addAction(newItemIcon(), QStringLiteral("Create a new layer"));
    newLayer_->setObjectName(QStringLiteral("newLayer"));
    deleteLayer_ = tools->addAction(deleteItemIcon(), QStringLiteral("Delete layer"));
    deleteLayer_->setObjectName(QStringLiteral("deleteLayer"));

    auto* top = new QHBoxLayout;
    top->setContentsMargins(2, 3, 2, 2);
    top->setSpacing(6);
    top->addWidget(modes_, 1);
    top->addWidget(opacityLabel_);
    top->addWidget(opacity_);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addStretch(1);
    bottom->addWidget(tools);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(list_, 1);
    layout->addLayout(bottom);

    question_ = [](QWidget* parent, const QString& name) {
        return QMessageBox::question(parent, QApplication::applicationName(),
                                     deleteQuestionText(name), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    };

    connect(modes_, &QComboBox::activated, this, [this](int mode) {
        if (updating_) return;
        if (LayerItem* layer = currentLayer())
            send(bound_, {LayerRequest::Kind::BlendMode, indexIn(bound_, layer), -1, mode, {}});
    });
    connect(opacity_, &PopupSliderField::valueChanged, this, &LayersPage::onOpacityEdited);
    connect(opacity_, &PopupSliderField::valueCommitted, this, &LayersPage::onOpacityCommitted);
    connect(newLayer_, &QAction::triggered, this, &LayersPage::createLayer);
    connect(deleteLayer_, &QAction::triggered, this, &LayersPage::deleteActiveLayer);

    connect(list_, &LayerList::selectionChanged, this, &LayersPage::onSelectionChanged);
    connect(list_, &LayerList::visibilityToggled, this, [this](LayerItem* layer) {
        send(bound_, {LayerRequest::Kind::ToggleVisibility, indexIn(bound_, layer), -1, 0, {}});
    });
    connect(list_, &LayerList::renameStarted, this, [this] { renaming_ = bound_; });
    connect(
        list_, &LayerList::renameCommitted, this, [this](LayerItem* layer, const QString& name) {
            // The name goes to the document the row belongs to, whichever window is active now.
            PaletteDocument* target = renaming_;
            renaming_ = nullptr;
            send(target,
                 {LayerRequest::Kind::Rename, indexIn(target, layer), -1, 0, name.toStdString()});
        });
    connect(list_, &LayerList::moveRequested, this, [this](LayerItem* layer, int to) {
        send(bound_, {LayerRequest::Kind::Move, indexIn(bound_, layer), to, 0, {}});
    });
    connect(list_, &LayerList::deleteRequested, this, &LayersPage::deleteActiveLayer);

    connect(group, &PaletteGroup::activeDocumentChanged, this, [this](PaletteDocument* document) {
        wanted_ = document;
        if (isVisible()) bind(document);
    });
    connect(group, &PaletteGroup::documentGone, this, &LayersPage::onDocumentGone);
    wanted_ = group->activeDocument();
    updateControls();
}

LayersPage::~LayersPage() {
    if (listening_) listening_->removeListener(this);
}

// --- binding -----------------------------------------------------------------------------------

void LayersPage::showEvent(QShowEvent* event) {
    PalettePage::showEvent(event);
    bind(wanted_);
}

void LayersPage::hideEvent(QHideEvent* event) {
    PalettePage::hideEvent(event);
    // A hidden page follows nothing; it is built again when it is shown.
    bind(nullptr);
}

void LayersPage::bind(PaletteDocument* document) {
    Document* doc = document ? document->document() : nullptr;
    if (document == bound_ && doc == listening_) return;
    // What the user was in the middle of goes to the document it was for.
    finishPreview();
    list_->commitRename();
    if (listening_) listening_->removeListener(this);
    listening_ = doc;
    bound_ = document;
    if (doc) doc->addListener(this);
    list_->setDocument(doc);
    updateControls();
}

void LayersPage::onDocumentGone(PaletteDocument* document) {
    if (renaming_ == document) {
        renaming_ = nullptr;
        if (list_->isRenaming() && bound_ == document) list_->cancelRename();
    }
    if (preview_.document == document) previewing_ = false;
    if (wanted_ == document) wanted_ = nullptr;
    if (bound_ == document) {
        if (list_->isRenaming()) list_->cancelRename();
        previewing_ = false;
        bind(nullptr);
    }
}

std::vector<LayerItem*> LayersPage::selectedLayers() const {
    return bound_ ? list_->selectedLayers() : std::vector<LayerItem*>{};
}

int LayersPage::indexIn(PaletteDocument* document, const LayerItem* layer) const {
    Document* doc = document ? document->document() : nullptr;
    return doc && layer ? doc->layers().indexOf(layer) : -1;
}

bool LayersPage::send(PaletteDocument* document, LayerRequest request) {
    // A layer that is no longer in the document (or none at all) makes no request.
    if (!document) return false;
    const bool needsLayer = request.kind != LayerRequest::Kind::NewLayer;
    if (needsLayer && request.index < 0) return false;
    return document->request(request);
}

// --- the document's changes --------------------------------------------------------------------

void LayersPage::documentChanged(const ChangeRecord& change) {
    list_->documentChanged(change);
    if (change.code == kChangeStructure) {
        // The rows were built again, which chose the active layer's row.
        updateButtons();
        return;
    }
    if (change.layer != currentLayer()) return;
    switch (change.code) {
        case kChangeBlendMode:
            if (const EmptyLayer* l = withProperties(change.layer)) {
                updating_ = true;
                modes_->setCurrentIndex(l->blendMode());
                updating_ = false;
            }
            break;
        case kChangeOpacity:
            if (const EmptyLayer* l = withProperties(change.layer)) {
                // The preview's own change is already in the field; any other ends the preview.
                if (previewing_ && preview_.layer == change.layer &&
                    l->masterOpacity() == preview_.last)
                    break;
                previewing_ = false;
                showOpacity(l->masterOpacity());
            }
            break;
        default:
            updateControls();
            break;
    }
}

// --- selection and controls ----------------------------------------------------------------------

LayerItem* LayersPage::currentLayer() const {
    if (!bound_ || list_->selectedCount() != 1) return nullptr;
    return list_->layerAt(list_->selectedRows().front());
}

void LayersPage::onSelectionChanged() {
    LayerItem* layer = currentLayer();
    if (layer && bound_ && layer != bound_->document()->layers().activeLayer())
        send(bound_, {LayerRequest::Kind::Activate, indexIn(bound_, layer), -1, 0, {}});
    updateControls();
}

void LayersPage::showOpacity(uint8_t value) {
    updating_ = true;
    opacity_->setValue(opacityByteToPercent(value));
    updating_ = false;
}

void LayersPage::updateControls() {
    LayerItem* layer = currentLayer();
    const EmptyLayer* props = withProperties(layer);
    // The background and layers without properties show Normal at 100 %.
    const bool editable = props && !layer->isBackground();
    updating_ = true;
    modes_->setCurrentIndex(editable ? props->blendMode() : 0);
    updating_ = false;
    if (!(previewing_ && preview_.layer == layer))
        showOpacity(editable ? props->masterOpacity() : 255);
    const bool enabled = editable && layer->isVisible();
    modes_->setEnabled(enabled);
    opacity_->setEnabled(enabled);
    opacityLabel_->setEnabled(enabled);
    updateButtons();
}

void LayersPage::updateButtons() {
    Document* doc = bound_ ? bound_->document() : nullptr;
    newLayer_->setEnabled(doc != nullptr);
    // Delete works on the active layer alone; with several rows chosen it would not be clear
    // which one goes.
    deleteLayer_->setEnabled(doc && doc->layers().activeLayer() && doc->layers().count() > 1 &&
                             list_->selectedCount() <= 1);
}

// --- opacity -------------------------------------------------------------------------------------

void LayersPage::onOpacityEdited(int percent) {
    if (updating_ || !opacity_->isEnabled()) return;
    LayerItem* layer = currentLayer();
    const EmptyLayer* props = withProperties(layer);
    if (!props) return;
    const uint8_t value = opacityPercentToByte(percent);
    if (!previewing_ || preview_.layer != layer || preview_.document != bound_) {
        finishPreview();
        preview_ = {bound_, layer, props->masterOpacity(), props->masterOpacity()};
        previewing_ = true;
    }
    preview_.last = value;
    send(bound_, {LayerRequest::Kind::PreviewOpacity, indexIn(bound_, layer), -1, value, {}});
}

void LayersPage::onOpacityCommitted(int percent) {
    if (updating_) return;
    const uint8_t value = opacityPercentToByte(percent);
    if (!previewing_) {
        // A change that came without a preview (nothing to put back first).
        LayerItem* layer = currentLayer();
        const EmptyLayer* props = withProperties(layer);
        if (!props || !opacity_->isEnabled() || props->masterOpacity() == value) return;
        preview_ = {bound_, layer, props->masterOpacity(), props->masterOpacity()};
        previewing_ = true;
    }
    preview_.last = value;
    finishPreview();
}

void LayersPage::finishPreview() {
    if (!previewing_) return;
    previewing_ = false;
    const Preview p = preview_;
    const int index = indexIn(p.document, p.layer);
    if (index < 0) return;
    if (p.last == p.original) {
        // Back where it started (Escape in the popup): the layer only needs to show it again.
        send(p.document, {LayerRequest::Kind::PreviewOpacity, index, -1, p.original, {}});
        return;
    }
    LayerRequest r{LayerRequest::Kind::Opacity, index, -1, p.last, {}};
    r.previous = p.original;
    send(p.document, r);
}

// --- buttons -------------------------------------------------------------------------------------

void LayersPage::createLayer() {
    if (!newLayer_->isEnabled()) return;
    send(bound_, {LayerRequest::Kind::NewLayer, -1, -1, 0, {}});
}

void LayersPage::deleteActiveLayer() {
    if (!deleteLayer_->isEnabled() || !bound_) return;
    Document* doc = bound_->document();
    const LayerItem* active = doc->layers().activeLayer();
    if (!active || doc->layers().count() < 2) return;
    PaletteDocument* target = bound_;
    if (!question_(window(), QString::fromStdString(active->name()))) return;
    // The question let other things happen: the window may have gone, the layer too.
    if (bound_ != target) return;
    send(target, {LayerRequest::Kind::DeleteLayer, indexIn(target, active), -1, 0, {}});
}

}  // namespace varnel
