#include "document/document.h"

#include <gtest/gtest.h>

#include "core/blend_modes.h"
#include "doc_fixtures.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::planeStore;
using testing::Recorder;
using testing::solidStore;

ImageSettings settings(int w, int h) {
    ImageSettings s;
    s.width = w;
    s.height = h;
    return s;
}

TEST(ImageSettings, Validity) {
    struct Case {
        int w, h;
        float res;
        int unit;
        bool valid;
    } cases[] = {
        {1, 1, 72.0f, 0, true},       {30000, 30000, 1.0f, 1, true}, {0, 10, 72.0f, 0, false},
        {10, 30001, 72.0f, 0, false}, {10, 10, 0.999f, 0, false},    {10, 10, 9999.999f, 0, true},
        {10, 10, 10000.0f, 0, false}, {10, 10, 72.0f, 2, false},     {10, 10, 72.0f, -1, false},
        {-5, 10, 72.0f, 0, false},
    };
    for (const Case& c : cases) {
        ImageSettings s = settings(c.w, c.h);
        s.resolution = c.res;
        s.resolutionUnit = c.unit;
        EXPECT_EQ(s.isValid(), c.valid) << c.w << "x" << c.h << " " << c.res << " " << c.unit;
        // Creation follows validity (the largest canvases are not allocated here).
        if (int64_t(c.w) * c.h < 1000000) {
            EXPECT_EQ(Document::createBlank(s) != nullptr, c.valid);
        }
    }
}

TEST(Document, BlankWithBackground) {
    ImageSettings s = settings(5, 4);
    s.backgroundColor = makeRgb(10, 20, 30);
    s.resolution = 300.0f;
    auto doc = Document::createBlank(s);
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->isModified());
    EXPECT_EQ(doc->size(), (Size{5, 4}));
    EXPECT_EQ(doc->resolution(), 300.0f);
    LayerStack& stack = doc->layers();
    ASSERT_EQ(stack.count(), 1);
    EXPECT_TRUE(stack.isBackgroundAt(0));
    EXPECT_EQ(stack.layerAt(0)->name(), "Background");
    EXPECT_EQ(stack.activeIndex(), 0);
    EXPECT_TRUE(doc->isOpaque());
    EXPECT_EQ(doc->composite()->color().pixels(3)[4], (Bgr{30, 20, 10}));
}

TEST(Document, BlankTransparent) {
    ImageSettings s = settings(5, 4);
    s.transparentBackground = 1;
    auto doc = Document::createBlank(s);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->layers().count(), 1);
    const LayerItem* l = doc->layers().layerAt(0);
    EXPECT_EQ(l->name(), "Layer 1");
    EXPECT_TRUE(l->isEmpty());
    EXPECT_TRUE(l->hasProperties());
    EXPECT_FALSE(doc->isOpaque());
    ASSERT_NE(doc->composite(), nullptr);
    EXPECT_TRUE(isAllZero(doc->composite()->alpha()));
}

TEST(Document, FromImage) {
    ColorImage pixels(solidStore(6, 3, grey(40)));
    auto doc = Document::fromImage(pixels, nullptr, "C:\\photos\\beach.jpg");
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(pixels.isValid());  // taken over
    EXPECT_TRUE(doc->isModified());
    EXPECT_EQ(doc->fileName(), "beach.jpg");
    EXPECT_EQ(doc->title(), "beach.jpg");
    EXPECT_EQ(doc->filePath(), "C:\\photos\\beach.jpg");
    EXPECT_EQ(doc->resolution(), 72.0f);
    EXPECT_EQ(doc->backgroundColor(), 0xFFFFFFu);
    ASSERT_EQ(doc->layers().count(), 1);
    EXPECT_TRUE(doc->layers().isBackgroundAt(0));
    EXPECT_EQ(doc->layers().layerAt(0)->name(), "Background");

    ColorImage rgba(solidStore(6, 3, grey(40)));
    GrayMap alpha(planeStore(6, 3, 100));
    auto withAlpha = Document::fromImage(rgba, &alpha, "/home/me/logo.png");
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(withAlpha->fileName(), "logo.png");
    const auto* layer = withAlpha->layers().rasterAt(0);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->name(), "Layer 1");
    EXPECT_FALSE(layer->isBackground());
    ASSERT_NE(layer->transparency(), nullptr);
    EXPECT_EQ(layer->transparency()->row(2)[5], 100);
    EXPECT_EQ(withAlpha->composite()->alpha().row(0)[0], 100);

    // A transparency plane of another size is refused and nothing is taken.
    ColorImage again(solidStore(6, 3, grey(40)));
    GrayMap small(planeStore(2, 2, 0));
    EXPECT_EQ(Document::fromImage(again, &small, "x.png"), nullptr);
    EXPECT_TRUE(again.isValid());
    EXPECT_TRUE(small.isValid());
}

TEST(Document, FileNameIsTheTextAfterTheLastSeparator) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\a\\b.png", "b.png"},           {"/tmp/x/y.bmp", "y.bmp"},  {"C:pic.jpg", "pic.jpg"},
        {"dir/sub\\mixed.png", "mixed.png"}, {"plain.png", "plain.png"}, {"ends/", ""},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument(1, 1);
        doc->setPath(c.path);
        EXPECT_EQ(doc->fileName(), c.name) << c.path;
        EXPECT_EQ(doc->filePath(), c.path);
    }
}

TEST(Document, DuplicateClonesLayersAndChannels) {
    auto doc = emptyDocument(6, 6);
    doc->setPath("/x/source.png");
    addLayer(*doc, 6, 6, grey(1));
    addLayer(*doc, 3, 3, grey(2), {1, 1}, 50, kBlendScreen);
    doc->layers().setActiveLayer(doc->layers().layerAt(0));
    auto ch = std::make_unique<Channel>(planeStore(6, 6, 7));
    ch->setName("Alpha 1");
    doc->channels().push_back(std::move(ch));

    auto copy = doc->duplicate();
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isModified());
    EXPECT_EQ(copy->fileName(), "source.png");
    ASSERT_EQ(copy->layers().count(), 2);
    EXPECT_EQ(copy->layers().activeIndex(), 1);  // the top layer
    const RasterLayer* top = copy->layers().rasterAt(1);
    EXPECT_NE(top, doc->layers().layerAt(1));
    EXPECT_EQ(top->stack(), &copy->layers());
    EXPECT_EQ(top->blendMode(), kBlendScreen);
    EXPECT_EQ(top->transparency()->row(0)[0], 50);
    ASSERT_EQ(copy->channels().size(), 1u);
    EXPECT_EQ(copy->channels()[0]->name(), "Alpha 1");
    EXPECT_EQ(copy->channels()[0]->row(5)[5], 7);
    // The composites agree.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(copy->composite()->color().pixels(y)[x],
                      doc->composite()->color().pixels(y)[x]);
        }
}

// A listener that checks, when told, that the composite already shows the change.
class CompositeChecker : public DocumentListener {
public:
    explicit CompositeChecker(Document& d) : doc(d) {}
    Document& doc;
    std::vector<int> seen;
    void documentChanged(const ChangeRecord&) override {
        seen.push_back(doc.composite()->color().pixels(0)[0].r);
    }
};

class SelfRemover : public DocumentListener {
public:
    Document* doc = nullptr;
    std::vector<int>* order = nullptr;
    int id = 0;
    void documentChanged(const ChangeRecord&) override {
        order->push_back(id);
        doc->removeListener(this);
    }
};

TEST(Document, ListenersAreToldInOrderAfterTheCompositeIsUpToDate) {
    auto doc = emptyDocument(2, 2);
    RasterLayer* l = addLayer(*doc, 2, 2, grey(10));
    ASSERT_NE(doc->composite(), nullptr);
    CompositeChecker checker(*doc);
    std::vector<int> order;
    SelfRemover first, second;
    first.doc = second.doc = doc.get();
    first.order = second.order = &order;
    first.id = 1;
    second.id = 2;
    doc->addListener(&first);
    doc->addListener(&checker);
    doc->addListener(&second);
    doc->addListener(&checker);  // added once only

    doc->layers().fillColorThroughSelection(0, {}, makeRgb(99, 99, 99));
    EXPECT_EQ(checker.seen, (std::vector<int>{99}));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    // Both removed themselves; the checker stays.
    doc->layers().setMasterOpacity(l, 0);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(checker.seen.size(), 2u);
    doc->removeListener(&checker);
}

TEST(Document, FlattenKeepsColourWhenAlphaIsKept) {
    auto doc = emptyDocument(3, 1);
    RasterLayer* l = addLayer(*doc, 2, 1, grey(100), {0, 0}, 128);
    l->masks()->transparency()->row(0)[1] = 255;
    doc->invalidate(doc->bounds());
    ColorImage color;
    GrayMap alpha;
    ASSERT_EQ(doc->flattenForSave(color, alpha, true), 1);
    ASSERT_TRUE(alpha.isValid());
    EXPECT_EQ(alpha.row(0)[0], 128);
    EXPECT_EQ(alpha.row(0)[2], 0);
    // The colour is not lightened: saving and reopening keeps it.
    EXPECT_EQ(color.pixels(0)[0], grey(100));
    EXPECT_EQ(color.pixels(0)[1], grey(100));
    EXPECT_EQ(color.pixels(0)[2], grey(0));  // covered by nothing: black

    // Without alpha the colour is laid over white.
    ASSERT_EQ(doc->flattenForSave(color, alpha, false), 1);
    EXPECT_FALSE(alpha.isValid());
    EXPECT_EQ(color.pixels(0)[0], grey(100 + ((127 * 155) >> 8)));
    EXPECT_EQ(color.pixels(0)[1], grey(100));
    EXPECT_EQ(color.pixels(0)[2], grey(255));
}

// A composite kept by a window is copied; one made for the save alone is handed over. Either way
// the saved planes are the same, own their memory, and the document still composites afterwards.
TEST(Document, FlattenIsTheSameWithOrWithoutAKeptComposite) {
    for (const bool kept : {false, true}) {
        for (const bool keepAlpha : {false, true}) {
            SCOPED_TRACE(std::string(kept ? "kept" : "made for the save") +
                         (keepAlpha ? ", alpha kept" : ", over white"));
            auto doc = emptyDocument(3, 1);
            RasterLayer* l = addLayer(*doc, 2, 1, grey(100), {0, 0}, 128);
            l->masks()->transparency()->row(0)[1] = 255;
            doc->invalidate(doc->bounds());
            if (kept) {
                ASSERT_NE(doc->composite(), nullptr);
            }
            ColorImage color;
            GrayMap alpha;
            ASSERT_EQ(doc->flattenForSave(color, alpha, keepAlpha), 1);
            EXPECT_EQ(alpha.isValid(), keepAlpha);
            EXPECT_EQ(color.pixels(0)[0], keepAlpha ? grey(100) : grey(100 + ((127 * 155) >> 8)));
            EXPECT_EQ(color.pixels(0)[2], keepAlpha ? grey(0) : grey(255));
            color.pixels(0)[1] = grey(1);
            if (keepAlpha) alpha.row(0)[0] = 7;
            const DocumentComposite* comp = doc->composite();
            ASSERT_NE(comp, nullptr);
            EXPECT_EQ(comp->color().pixels(0)[1], grey(100));
            EXPECT_EQ(comp->alpha().row(0)[0], 128);
            EXPECT_EQ(comp->alpha().row(0)[2], 0);
        }
    }
}

TEST(Document, FlattenOfAnOpaqueImageHasNoAlpha) {
    auto doc = emptyDocument(2, 2);
    addLayer(*doc, 2, 2, grey(33));
    ColorImage color;
    GrayMap alpha(planeStore(1, 1, 0));
    ASSERT_EQ(doc->flattenForSave(color, alpha, true), 1);
    EXPECT_FALSE(alpha.isValid());
    EXPECT_EQ(color.pixels(1)[1], grey(33));
}

TEST(Document, NameChangesDoNotRecomposite) {
    auto doc = emptyDocument(2, 2);
    RasterLayer* l = addLayer(*doc, 2, 2, grey(10));
    ASSERT_NE(doc->composite(), nullptr);
    // Change the pixels behind the stack's back: only a pixel record would bring them in.
    l->pixels().pixels(0)[0] = grey(77);
    doc->layers().setName(l, "Renamed");
    EXPECT_EQ(doc->composite()->color().pixels(0)[0], grey(10));
    doc->invalidate({0, 0, 1, 1});
    EXPECT_EQ(doc->composite()->color().pixels(0)[0], grey(77));
}

}  // namespace
}  // namespace varnel
