// LayersPage: the Layers palette. It shows the layers of the active document (LayerList) with the
// blend mode list and the opacity field of the chosen layer, and the buttons "Create a new layer"
// and "Delete layer". Every change goes to the document window as a request (palette_document.h)
// and comes back as the document's change records; only the choice of the active layer, the
// visibility toggle and the live opacity preview leave no step in the history.
//
// The opacity field previews each value at once (typing, the arrow keys, the popup slider) and
// records one "Master Opacity Change" when the change is finished (Return, leaving the field, the
// popup closed on a new value), from the opacity the layer had before the preview.
#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "document/change.h"
#include "palettes/palette_document.h"
#include "palettes/palette_page.h"

class QAction;
class QComboBox;
class QLabel;

namespace varnel {

class LayerItem;
class LayerList;
class PopupSliderField;

class LayersPage : public PalettePage, private DocumentListener {
    Q_OBJECT

public:
    explicit LayersPage(PaletteGroup* group, QWidget* parent = nullptr);
    ~LayersPage() override;

    LayerList* list() const { return list_; }
    QComboBox* blendModes() const { return modes_; }
    PopupSliderField* opacityField() const { return opacity_; }
    QAction* newLayerAction() const { return newLayer_; }
    QAction* deleteLayerAction() const { return deleteLayer_; }

    // The document window the list shows: the active one while the page is shown, else none.
    PaletteDocument* boundDocument() const { return bound_; }
    // The layers selected in the list, bottom first (what Merge Layers merges). Empty when the
    // page shows no document.
    std::vector<LayerItem*> selectedLayers() const;

    // Asks whether to delete the layer named `name`; true goes on. The default is a message box
    // titled with the program's name; tests replace it.
    using DeleteQuestion = std::function<bool(QWidget* parent, const QString& name)>;
    void setDeleteQuestion(DeleteQuestion question) { question_ = std::move(question); }
    // "Delete layer "<name>"?"
    static QString deleteQuestionText(const QString& name);

    // The buttons' work, also reached from the list's keys.
    void createLayer();
    void deleteActiveLayer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Preview {
        PaletteDocument* document = nullptr;
        LayerItem* layer = nullptr;
        uint8_t original = 255;
        uint8_t last = 255;
    };

    void bind(PaletteDocument* document);
    void documentChanged(const ChangeRecord& change) override;
    void onDocumentGone(PaletteDocument* document);
    void onSelectionChanged();
    void updateControls();
    void updateButtons();
    // The layer the controls act on: the one selected row's layer, or null.
    LayerItem* currentLayer() const;
    bool send(PaletteDocument* document, LayerRequest request);
    int indexIn(PaletteDocument* document, const LayerItem* layer) const;
    void showOpacity(uint8_t value);
    void onOpacityEdited(int percent);
    void onOpacityCommitted(int percent);
    // Records the opacity being previewed, if it differs from where it started.
    void finishPreview();

    LayerList* list_ = nullptr;
    QComboBox* modes_ = nullptr;
    QLabel* opacityLabel_ = nullptr;
    PopupSliderField* opacity_ = nullptr;
    QAction* newLayer_ = nullptr;
    QAction* deleteLayer_ = nullptr;
    DeleteQuestion question_;

    PaletteDocument* wanted_ = nullptr;  // the group's active document
    PaletteDocument* bound_ = nullptr;   // the one the list shows
    Document* listening_ = nullptr;
    PaletteDocument* renaming_ = nullptr;  // where the open rename goes
    Preview preview_;
    bool previewing_ = false;
    bool updating_ = false;
};

}  // namespace varnel
