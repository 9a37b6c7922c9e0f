// What the palette tests share: a stand-in document window that records the palette's requests
// and carries them out on a real document (as the editor's window does, without the history),
// an owner window with a palette group, and mouse helpers that give exact global positions.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <memory>
#include <vector>

#include "document/document.h"
#include "palettes/floating_window.h"
#include "palettes/palette_document.h"
#include "palettes/palette_group.h"

namespace varnel::test {

// A document of `w` × `h` with a white background and, above it, raster layers named `names`
// (bottom first) of one grey each; the top one is active.
inline std::unique_ptr<Document> makeDocument(int w, int h, std::vector<std::string> names = {}) {
    ImageSettings s;
    s.width = w;
    s.height = h;
    auto doc = Document::createBlank(s);
    for (size_t i = 0; i < names.size(); ++i) {
        ColorImage px;
        px.createColor(w, h);
        RasterLayer* l = doc->layers().adoptRasterLayer(px, nullptr, {0, 0});
        doc->layers().setName(l, names[i]);
    }
    return doc;
}

class TestDocument : public PaletteDocument {
public:
    explicit TestDocument(std::unique_ptr<Document> d) : doc(std::move(d)) {}
    ~TestDocument() override { announceGone(); }

    Document* document() override { return doc.get(); }
    VeView* view() override { return view_; }
    bool request(const LayerRequest& r) override {
        requests.push_back(r);
        if (!apply) return true;
        LayerStack& s = doc->layers();
        LayerItem* layer = s.layerAt(r.index);
        switch (r.kind) {
            case LayerRequest::Kind::Rename:
                return layer && s.setName(layer, r.name);
            case LayerRequest::Kind::ToggleVisibility:
                return layer && s.setVisible(layer, !layer->isVisible());
            case LayerRequest::Kind::BlendMode:
                return layer && s.setBlendMode(layer, r.value);
            case LayerRequest::Kind::Opacity:
            case LayerRequest::Kind::PreviewOpacity:
                return layer && s.setMasterOpacity(layer, uint8_t(r.value));
            case LayerRequest::Kind::NewLayer:
                return s.newEmptyLayer() != nullptr;
            case LayerRequest::Kind::DeleteLayer:
                return layer && s.remove(layer);
            case LayerRequest::Kind::Move:
                return s.move(r.index, r.to);
            case LayerRequest::Kind::Activate:
                return layer && s.setActiveLayer(layer);
        }
        return false;
    }

    // The requests of one kind.
    std::vector<LayerRequest> of(LayerRequest::Kind kind) const {
        std::vector<LayerRequest> out;
        for (const LayerRequest& r : requests)
            if (r.kind == kind) out.push_back(r);
        return out;
    }
    // Every request but the choice of the active layer.
    std::vector<LayerRequest> changes() const {
        std::vector<LayerRequest> out;
        for (const LayerRequest& r : requests)
            if (r.kind != LayerRequest::Kind::Activate) out.push_back(r);
        return out;
    }

    std::unique_ptr<Document> doc;
    std::vector<LayerRequest> requests;
    bool apply = true;
    VeView* view_ = nullptr;
};

// An owner window (standing in for the main window) shown at a known place, with a group.
struct Owner {
    QWidget window;
    PaletteGroup* group;
    Owner() : group(new PaletteGroup(&window)) {
        window.setGeometry(100, 100, 900, 700);
        window.show();
    }
};

// Mouse events with explicit global positions, so that drags of windows that move under the
// pointer come out exactly (QTest maps a local position through the window's current place).
inline void sendMouse(QWidget* w, QEvent::Type type, QPoint global, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {}) {
    const QPointF local = w->mapFromGlobal(QPointF(global));
    QMouseEvent e(type, local, local, QPointF(global), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

// Presses on `w` at `from` (global), moves in steps to `to` and releases there.
inline void dragGlobal(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers mods = {}) {
    sendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, mods);
    for (int i = 1; i <= 4; ++i)
        sendMouse(w, QEvent::MouseMove, from + (to - from) * i / 4, Qt::NoButton, Qt::LeftButton,
                  mods);
    sendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, mods);
}

}  // namespace varnel::test
