// The catalogue as a whole: every record's text form reads back what it writes, ids and options
// are unique, the editor's presets parse, and the context (not the process) supplies colours,
// tolerance and the Last Filter.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "../filters/filter_fixtures.h"
#include "commands/catalogue.h"
#include "document/channels.h"
#include "filters/color_adjustments.h"
#include "filters/kernel_filter.h"
#include "history/history.h"

namespace varnel {
namespace {

// A text in each record's canonical form (what format writes), by option; records without an
// option take no parameters.
const std::map<std::string, std::string> kSamples = {
    {"--add-layer", "photo.png:multiply:40"},
    {"--layer-mode", "color-dodge"},
    {"--layer-opacity", "35"},
    {"--layer-name", "Sky: evening"},
    {"--new-layer", "Clouds:screen:50"},
    {"--duplicate-layer", "Copy"},
    {"--delete-layer", ""},
    {"--merge-down", ""},
    {"--merge-layers", "1,3"},
    {"--merge-visible", ""},
    {"--flatten", ""},
    {"--layer-order", "3,1"},
    {"--fill", "1A2B3C:soft-light:75:preserve"},
    {"--clear", ""},
    {"--select", "-4,2,30,40:subtract"},
    {"--select-ellipse", "0,0,10,10"},
    {"--select-all", ""},
    {"--deselect", ""},
    {"--inverse", ""},
    {"--feather", "2.5"},
    {"--border", "3"},
    {"--expand", "100"},
    {"--contract", "1"},
    {"--grow", "3,4"},
    {"--similar", "selection"},
    {"--save-selection", "Alpha kept"},
    {"--load-selection", "2:intersect"},
    {"--levels", "0.5,16,240,0,255"},
    {"--auto-levels", ""},
    {"--auto-contrast", ""},
    {"--curves", "0:0,128:160,255:255/0:20,255:255/0:0,200:255/0:0,255:230"},
    {"--brightness-contrast", "15,-100"},
    {"--color-balance", "0,1,2,3,-4,-5,-6,7.5,8,100"},
    {"--hue-saturation", "0,1,2,3,4,5,6,0,0,0,0,0,0,-7,0,0,0,0,0,50,0"},
    {"--colorize", "200,40,-10"},
    {"--desaturate", ""},
    {"--invert", ""},
    {"--blur", ""},
    {"--blur-more", ""},
    {"--sharpen", ""},
    {"--sharpen-more", ""},
    {"--gaussian-blur", "12.75"},
    {"--last-filter", ""},
    {"--image-size", "640,480,5,300,ppcm"},
    {"--canvas-size", "100,50,bottom-right,FF8000"},
    {"--rotate", "90ccw"},
    {"--flip", "v"},
    {"--crop", ""},
    {"--trim", ""},
};

TEST(Catalogue, EveryRecordsTextReadsBackWhatItWrites) {
    std::set<std::string> sampled;
    for (const DocumentCommand& command : documentCommands()) {
        const std::string text = command.option.empty() ? "" : kSamples.at(command.option);
        sampled.insert(command.option);
        std::string error;
        const auto params = command.parsed(text, &error);
        ASSERT_TRUE(params) << command.option << " " << text << ": " << error;
        const std::string written = command.format(*params);
        EXPECT_EQ(written, text) << command.option;
        const auto again = command.parsed(written, &error);
        ASSERT_TRUE(again) << command.option << " " << written << ": " << error;
        EXPECT_EQ(command.format(*again), written) << command.option;
    }
    sampled.erase("");
    EXPECT_EQ(sampled.size(), kSamples.size()) << "a sample names an option no record has";
}

TEST(Catalogue, LooserTextsSettleOnTheirCanonicalForm) {
    const struct {
        const char* option;
        const char* given;
        const char* written;
    } cases[] = {
        {"--levels", "1,2,1,1, 0,10,0,0, 255,255,200,255, 0,0,0,5, 255,255,255,250",
         "1,2,1,1,0,10,0,0,255,255,200,255,0,0,0,5,255,255,255,250"},
        {"--levels", "1,1,1,1,0,0,0,0,255,255,255,255,0,0,0,0,255,255,255,255", "1,0,255,0,255"},
        {"--hue-saturation", "180,10,20", "180,10,20"},
        {"--brightness-contrast", "+15, -100", "15,-100"},
        {"--fill", "#ff0000", "FF0000:normal:100"},
        {"--fill", "00ff00:5:50", "00FF00:lighten:50"},
        {"--rotate", "270", "90ccw"},
        {"--rotate", "90", "90cw"},
        {"--flip", "Horizontal", "h"},
        {"--select", "1,2,3,4:0", "1,2,3,4"},
        {"--image-size", "10,20", "10,20,2"},
        {"--image-size", "10,20,lanczos,72", "10,20,5,72"},
        {"--canvas-size", "10,20", "10,20,center"},
        {"--canvas-size", "10,20,0,#00ff00", "10,20,top-left,00FF00"},
        {"--new-layer", "", ""},
        {"--new-layer", "a:Multiply", "a:multiply:100"},
        {"--add-layer", "x.png", "x.png:normal:100"},
        {"--gaussian-blur", " 0.1 ", "0.1"},
        {"--save-selection", "#2:1", "#2:add"},
        {"--save-selection", "#1:replace", "#1"},
        {"--load-selection", "3:0:invert", "3:replace:invert"},
        {"--load-selection", "3:replace", "3"},
    };
    for (const auto& c : cases) {
        const DocumentCommand* command = findCommandOption(c.option);
        ASSERT_NE(command, nullptr) << c.option;
        std::string error;
        const auto params = command->parsed(c.given, &error);
        ASSERT_TRUE(params) << c.option << " " << c.given << ": " << error;
        EXPECT_EQ(command->format(*params), c.written) << c.option << " " << c.given;
    }
}

TEST(Catalogue, IdsOptionsAndEditorEntriesAreUniqueAndPresetsParse) {
    std::set<int> ids;
    std::set<std::string> options;
    for (const DocumentCommand& command : documentCommands()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        EXPECT_FALSE(command.name.empty()) << command.id;
        EXPECT_TRUE(command.parse && command.format && command.isEnabled && command.makeAction)
            << command.name;
        if (!command.option.empty()) {
            EXPECT_TRUE(options.insert(command.option).second) << command.option;
            EXPECT_EQ(findCommandOption(command.option), &command);
        }
        for (const EditorEntry& entry : command.entries) {
            if (entry.id != command.id) {
                EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
            }
            EXPECT_EQ(findDocumentCommand(entry.id), &command) << entry.id;
            if (entry.preset) {
                EXPECT_TRUE(command.parsed(*entry.preset)) << entry.id;
            }
        }
    }
    EXPECT_EQ(findDocumentCommand(kCmdZoomIn), nullptr) << "view commands are not documents'";
    EXPECT_EQ(findDocumentCommand(kCmdEditUndo), nullptr);
    EXPECT_EQ(findCommandOption(""), nullptr);
}

// A command run as the editor runs it: its preset parameters, the context given.
MadeAction runEntry(int id, Document& document, Selection& selection,
                    const CommandContext& context) {
    const DocumentCommand* command = findDocumentCommand(id);
    EXPECT_NE(command, nullptr) << id;
    const EditorEntry* entry = command ? command->entry(id) : nullptr;
    EXPECT_TRUE(entry && entry->preset) << id;
    if (!entry || !entry->preset) return {};
    return command->makeAction(document, selection, *command->parsed(*entry->preset), context);
}

TEST(Catalogue, TheContextSuppliesColoursAndTheLastFilter) {
    auto image = testing::solidImage(6, 4, Bgr{10, 20, 30});
    auto doc = testing::documentWith(*image);
    Selection selection(doc->size());
    History history(10);
    CommandContext context;
    context.foreground = makeRgb(200, 100, 50);
    context.background = makeRgb(1, 2, 3);

    ASSERT_TRUE(history.perform(runEntry(kCmdFillForeground, *doc, selection, context).action));
    EXPECT_EQ(testing::pixelAt(doc->layers().rasterAt(0)->pixels(), 5, 3), (Bgr{50, 100, 200}));
    ASSERT_TRUE(history.perform(runEntry(kCmdFillBackground, *doc, selection, context).action));
    EXPECT_EQ(testing::pixelAt(doc->layers().rasterAt(0)->pixels(), 0, 0), (Bgr{3, 2, 1}));

    // Last Filter is offered only while the context names a filter, and repeats a copy of it.
    const DocumentCommand* last = findDocumentCommand(kCmdLastFilter);
    EXPECT_FALSE(last->isEnabled(*doc, selection, context));
    MadeAction none = runEntry(kCmdLastFilter, *doc, selection, context);
    EXPECT_EQ(none.action, nullptr);
    EXPECT_EQ(none.failure, "no filter has been applied yet");
    BlurMoreFilter blur;
    context.lastFilter = &blur;
    EXPECT_TRUE(last->isEnabled(*doc, selection, context));
    MadeAction again = runEntry(kCmdLastFilter, *doc, selection, context);
    ASSERT_NE(again.action, nullptr) << again.failure;
    EXPECT_EQ(again.action->name(), "Blur More");
}

// Values that change nothing record a step that leaves every byte as it was, done, undone and
// redone, though the Hue/Saturation and Color Balance filters' own identities round through HSL.
// The Hue/Saturation item colorizes when its dialog hands over Colorize's record.
TEST(Catalogue, NeutralAdjustmentsChangeNothingAndHueSaturationColorizes) {
    auto image = testing::noiseImage(16, 12, 7);
    auto doc = testing::documentWith(*image);
    Selection selection(doc->size());
    History history(10);
    const CommandContext context;
    const ColorImage& layer = doc->layers().rasterAt(0)->pixels();
    const struct {
        int id;
        const char* text;
    } neutral[] = {
        {kCmdLevels, "1,0,255,0,255"},
        {kCmdBrightnessContrast, "0,0"},
        {kCmdColorBalance, "1,0,0,0,0,0,0,0,0,0"},
        {kCmdHueSaturation, "0,0,0"},
    };
    for (const auto& c : neutral) {
        const DocumentCommand* command = findDocumentCommand(c.id);
        ASSERT_NE(command, nullptr) << c.id;
        MadeAction made = command->makeAction(*doc, selection, *command->parsed(c.text), context);
        ASSERT_NE(made.action, nullptr) << c.text;
        ASSERT_TRUE(history.perform(std::move(made.action))) << c.text;
        EXPECT_TRUE(testing::samePixels(layer, *image)) << c.text;
        history.undo();
        history.redo();
        EXPECT_TRUE(testing::samePixels(layer, *image)) << c.text;
    }

    const DocumentCommand* hueSaturation = findDocumentCommand(kCmdHueSaturation);
    MadeAction colorize = hueSaturation->makeAction(*doc, selection, ColorizeParams{}, context);
    ASSERT_NE(colorize.action, nullptr) << colorize.failure;
    EXPECT_EQ(colorize.action->name(), ColorizeFilter(ColorizeParams{}).name());
    ASSERT_TRUE(history.perform(std::move(colorize.action)));
    EXPECT_FALSE(testing::samePixels(layer, *image));
}

TEST(Catalogue, RefusalsSayWhyAndNothingToChangeIsNoFailure) {
    auto image = testing::solidImage(8, 8, Bgr{255, 255, 255});
    auto doc = testing::documentWith(*image);
    Selection selection(doc->size());
    const CommandContext context;
    const struct {
        int id;
        const char* failure;  // empty: nothing to change
    } cases[] = {
        {kCmdCrop, "Crop needs a selection"},
        {kCmdEditClear, "nothing is selected"},
        {kCmdTrim, ""},          // one colour: no border to cut
        {kCmdSelectGrow, ""},    // no selection to grow
        {kCmdFlattenImage, ""},  // already one background layer
    };
    for (const auto& c : cases) {
        const DocumentCommand* command = findDocumentCommand(c.id);
        ASSERT_NE(command, nullptr) << c.id;
        const EditorEntry* entry = command->entry(c.id);
        const auto params = command->parsed(entry && entry->preset ? *entry->preset : "");
        ASSERT_TRUE(params) << c.id;
        MadeAction made = command->makeAction(*doc, selection, *params, context);
        EXPECT_EQ(made.action, nullptr) << c.id;
        EXPECT_EQ(made.failure, c.failure) << c.id;
    }
    // Parameters of another record are refused, not misread.
    const DocumentCommand* feather = findDocumentCommand(kCmdSelectFeather);
    MadeAction wrong = feather->makeAction(*doc, selection, NoParams{}, context);
    EXPECT_EQ(wrong.action, nullptr);
    EXPECT_FALSE(wrong.failure.empty());
}

// Merge Layers merges what the Layers palette has chosen (the context's), Merge Down only the
// active layer alone; the command line names the layers instead.
TEST(Catalogue, MergeLayersTakesTheChosenLayersAndMergeDownOnlyOne) {
    auto image = testing::solidImage(4, 4, Bgr{10, 20, 30});
    auto doc = testing::documentWith(*image);
    for (const char* name : {"A", "B"}) {
        ColorImage square;
        ASSERT_TRUE(square.createColor(2, 2));
        square.fillAll(0x0000FF);
        ASSERT_TRUE(doc->layers().newRasterLayer(square, nullptr, Point{1, 1}, name, false));
    }
    Selection selection(doc->size());
    History history(10);
    const DocumentCommand* merge = findDocumentCommand(kCmdMergeLayers);
    const DocumentCommand* down = findDocumentCommand(kCmdMergeDown);
    ASSERT_TRUE(merge && down);

    const struct {
        std::vector<int> chosen;
        bool merges, mergesDown;
    } cases[] = {
        {{}, false, true},       // nothing chosen: the active layer alone
        {{2}, false, true},      // the active layer chosen
        {{1, 2}, true, false},   // two layers
        {{1, 7}, false, false},  // an index the stack no longer has
    };
    for (const auto& c : cases) {
        CommandContext context;
        context.selectedLayers = c.chosen;
        EXPECT_EQ(merge->isEnabled(*doc, selection, context), c.merges) << c.chosen.size();
        EXPECT_EQ(down->isEnabled(*doc, selection, context), c.mergesDown) << c.chosen.size();
    }

    CommandContext context;
    context.selectedLayers = {2, 1};
    MadeAction made = merge->makeAction(*doc, selection, *merge->parsed(""), context);
    ASSERT_NE(made.action, nullptr) << made.failure;
    EXPECT_EQ(made.action->name(), "Merge Layers");
    ASSERT_TRUE(history.perform(std::move(made.action)));
    ASSERT_EQ(doc->layers().count(), 2);
    EXPECT_EQ(doc->layers().layerAt(1)->name(), "A");  // the lowest merged layer's name
    history.undo();
    EXPECT_EQ(doc->layers().count(), 3);

    // Numbered from 1 at the bottom: the background and A make a background.
    made = merge->makeAction(*doc, selection, *merge->parsed("1,2"), CommandContext{});
    ASSERT_NE(made.action, nullptr) << made.failure;
    ASSERT_TRUE(history.perform(std::move(made.action)));
    ASSERT_EQ(doc->layers().count(), 2);
    EXPECT_EQ(doc->layers().layerAt(0)->name(), "Background");
    made = merge->makeAction(*doc, selection, *merge->parsed("1,9"), CommandContext{});
    EXPECT_EQ(made.action, nullptr);
    EXPECT_EQ(made.failure, "a layer number names no layer");
}

// Save Selection makes a new channel or combines into a saved one; Load Selection can invert; a
// channel the document does not have is refused with the reason.
TEST(Catalogue, SavedChannelsAreCombinedAndLoadedInverted) {
    auto image = testing::solidImage(4, 4, Bgr{10, 20, 30});
    auto doc = testing::documentWith(*image);
    Selection selection(doc->size());
    History history(10);
    const CommandContext context;
    const DocumentCommand* save = findDocumentCommand(kCmdSelectSave);
    const DocumentCommand* load = findDocumentCommand(kCmdSelectLoad);
    auto perform = [&](const DocumentCommand* command, const char* text) {
        MadeAction made = command->makeAction(*doc, selection, *command->parsed(text), context);
        EXPECT_NE(made.action, nullptr) << text << ": " << made.failure;
        return made.action && history.perform(std::move(made.action));
    };

    ASSERT_TRUE(selection.setShape(Rect{0, 0, 2, 2}, false));
    ASSERT_TRUE(perform(save, ""));
    ASSERT_TRUE(selection.setShape(Rect{2, 2, 4, 4}, false));
    ASSERT_TRUE(perform(save, "#1:add"));
    ASSERT_EQ(doc->channels().size(), 1u);
    EXPECT_EQ(doc->channels()[0]->name(), "Alpha 1");
    EXPECT_EQ(doc->channels()[0]->row(0)[0], 255);
    EXPECT_EQ(doc->channels()[0]->row(3)[3], 255);
    EXPECT_EQ(doc->channels()[0]->row(3)[0], 0);

    ASSERT_TRUE(perform(load, "1:replace:invert"));
    Channel mask;
    ASSERT_TRUE(selection.toCanvasMask(mask));
    EXPECT_EQ(mask.row(0)[0], 0);
    EXPECT_EQ(mask.row(3)[0], 255);
    EXPECT_EQ(mask.row(3)[3], 0);

    for (const auto& [command, text, failure] :
         {std::tuple{save, "#3", "there is no channel 3 (the document has 1)"},
          std::tuple{load, "2", "there is no channel 2 (the document has 1)"}}) {
        MadeAction made = command->makeAction(*doc, selection, *command->parsed(text), context);
        EXPECT_EQ(made.action, nullptr) << text;
        EXPECT_EQ(made.failure, failure) << text;
    }
}

TEST(Catalogue, LayerOrderChecksTheIndicesItIsGiven) {
    auto image = testing::solidImage(4, 4, Bgr{255, 255, 255});
    auto doc = testing::documentWith(*image);
    LayerStack& stack = doc->layers();
    ASSERT_NE(stack.newRasterLayer(*image, nullptr, {0, 0}, "A", false), nullptr);
    ASSERT_NE(stack.newRasterLayer(*image, nullptr, {0, 0}, "B", false), nullptr);
    Selection selection(doc->size());
    const CommandContext context;
    const DocumentCommand* order = findDocumentCommand(kCmdLayerOrder);
    ASSERT_NE(order, nullptr);
    const struct {
        const char* text;
        const char* failure;  // empty: nothing to change
    } refused[] = {
        {"1,3", "a background stays at the bottom"},
        {"3,1", "a background stays at the bottom"},
        {"2,5", "the image has no layer 5 (it has 3)"},
        {"2,2", ""},
    };
    for (const auto& c : refused) {
        const auto params = order->parsed(c.text);
        ASSERT_TRUE(params) << c.text;
        MadeAction made = order->makeAction(*doc, selection, *params, context);
        EXPECT_EQ(made.action, nullptr) << c.text;
        EXPECT_EQ(made.failure, c.failure) << c.text;
    }
    for (const char* text : {"1", "0,2", "-1,2", "2,3,1"})
        EXPECT_FALSE(order->parsed(text)) << text;

    const auto names = [&] {
        std::string out;
        for (int i = 0; i < stack.count(); ++i) out += stack.layerAt(i)->name() + " ";
        return out;
    };
    History history(10);
    MadeAction made = order->makeAction(*doc, selection, *order->parsed("3,2"), context);
    ASSERT_NE(made.action, nullptr);
    EXPECT_EQ(made.action->name(), "Layer Order");
    ASSERT_TRUE(history.perform(std::move(made.action)));
    EXPECT_EQ(names(), "Background B A ");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(names(), "Background A B ");
}

}  // namespace
}  // namespace varnel
