#include "cli/cli.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "cli/edit_steps.h"
#include "cli/step_examples.h"
#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "formats/metadata_blocks.h"
#include "platform/parallel.h"

namespace varnel {

namespace {

const char kProgram[] = "varnel-cli";

// A usage error: the bad argument, why, and where to look.
int usage(std::ostream& err, const std::string& argument, const std::string& why) {
    err << kProgram << ": bad argument \"" << argument << "\": " << why << "\n"
        << "Run \"" << kProgram << " --help\" for the commands and their steps.\n";
    return kCliUsageError;
}

// The message, then why (when the registry knows) as a sentence of its own.
int fileError(std::ostream& err, const std::string& message, const std::string& reason) {
    err << message;
    if (!reason.empty()) err << " " << reasonSentence(reason);
    err << "\n";
    return kCliFileError;
}

int cannotOpen(std::ostream& err, const std::string& path, const std::string& reason) {
    return fileError(err, "Cannot open file \"" + path + "\"!", reason);
}

int cannotSave(std::ostream& err, const std::string& path, const std::string& reason) {
    return fileError(err, "Error saving file \"" + path + "\"!", reason);
}

const char* formatName(int type) {
    switch (type) {
        case FormatBmp:
            return "BMP";
        case FormatGif:
            return "GIF";
        case FormatIco:
            return "ICO";
        case FormatJpeg:
            return "JPEG";
        case FormatPng:
            return "PNG";
        case FormatOra:
            return "OpenRaster";
        case FormatTiff:
            return "TIFF";
        case FormatWebp:
            return "WebP";
        default:
            return "unknown";
    }
}

bool isSaveFormat(int type) {
    return type == FormatBmp || type == FormatJpeg || type == FormatPng || type == FormatOra ||
           type == FormatWebp || type == FormatTiff;
}

// OUT must name a format the editor saves.
bool checkOutput(std::ostream& err, const std::string& path, int& status) {
    if (isSaveFormat(formatTypeOf(path))) return true;
    status = usage(err, path,
                   "the output format comes from the extension, which must be one of .bmp, .dib, "
                   ".rle, .jpg, .jpeg, .jpe, .jfif, .png, .ora, .tif, .tiff or .webp");
    return false;
}

// Saves as Save As does: the document takes the new path.
int saveAs(Document& document, const std::string& path, const SaveOptions& options,
           std::ostream& err) {
    document.setPath(path);
    std::string reason;
    return saveDocument(document, options, &reason) ? kCliSuccess : cannotSave(err, path, reason);
}

int runInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2) return usage(err, "info", "at least one FILE is needed");
    int status = kCliSuccess;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& path = args[i];
        std::unique_ptr<Document> doc;
        OpenedFileInfo info;
        std::string reason;
        if (!openDocument(doc, path, &info, &reason)) {
            status = cannotOpen(err, path, reason);
            continue;
        }
        const RasterLayer* layer = doc->layers().rasterAt(0);
        const bool layered = info.formatType == FormatOra;
        const bool transparent =
            layered ? !doc->isOpaque()
                    : layer && layer->transparency() && hasNon255(*layer->transparency());
        const double dpi = info.resolution > 0 ? info.resolution : doc->resolution();
        std::ostringstream line;
        line << path << ": " << formatName(info.formatType) << " " << doc->width() << "x"
             << doc->height() << ", " << info.bitsPerPixel << " bpp, "
             << (transparent ? "transparency" : "opaque") << ", " << std::lround(dpi) << " dpi";
        if (layered) {
            const LayerStack& layers = doc->layers();
            line << ", " << layers.count() << (layers.count() == 1 ? " layer" : " layers");
            // Top first, as the Layers palette lists them.
            for (int k = layers.count() - 1; k >= 0; --k) {
                const LayerItem& item = *layers.layerAt(k);
                const Size size = item.size();
                const Point offset = item.offset();
                line << "\n  layer " << k + 1 << ": \"" << item.name() << "\" " << size.width << "x"
                     << size.height << " at " << offset.x << "," << offset.y;
                if (item.hasProperties()) {
                    const auto& props = static_cast<const EmptyLayer&>(item);
                    line << ", " << blendModeName(props.blendMode()) << ", opacity "
                         << std::lround(props.effectiveOpacity() * 100.0 / 255.0) << "%";
                }
                line << ", " << (item.isVisible() ? "visible" : "hidden");
                if (item.isBackground()) line << ", background";
            }
        }
        if (const std::string blocks = describeMetadata(doc->metadata()); !blocks.empty()) {
            line << "\n  metadata: " << blocks;
        }
        for (const std::string& note : info.notes) line << "\n  note: " << note;
        out << line.str() << "\n";
    }
    return status;
}

// Reads "--quality N" or "--quality=N".
bool takeQuality(const std::vector<std::string>& args, size_t& i, SaveOptions& options,
                 std::ostream& err, int& status) {
    std::string value;
    const std::string& arg = args[i];
    if (arg == "--quality") {
        if (i + 1 >= args.size()) {
            status = usage(err, arg, "a quality 0..100 must follow");
            return false;
        }
        value = args[++i];
    } else {
        value = arg.substr(std::string("--quality=").size());
    }
    int64_t q = 0;
    std::string why;
    if (!parseInteger(value, 0, 100, q, why)) {
        status = usage(err, value, "--quality takes a whole number 0..100: " + why);
        return false;
    }
    options.jpegQuality = int32_t(q);
    return true;
}

bool isQualityOption(const std::string& arg) {
    return arg == "--quality" || arg.rfind("--quality=", 0) == 0;
}

int runConvert(const std::vector<std::string>& args, std::ostream& err) {
    std::vector<std::string> files;
    SaveOptions options;
    int status = kCliSuccess;
    for (size_t i = 1; i < args.size(); ++i) {
        if (isQualityOption(args[i])) {
            if (!takeQuality(args, i, options, err, status)) return status;
        } else if (args[i] == "--lossless") {
            options.webpLossless = true;
        } else if (args[i].size() > 1 && args[i][0] == '-' && args[i] != "-") {
            return usage(err, args[i], "convert knows only --quality N and --lossless");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return usage(err, "convert", "convert takes IN and OUT");
    if (!checkOutput(err, files[1], status)) return status;
    std::unique_ptr<Document> doc;
    std::string reason;
    if (!openDocument(doc, files[0], nullptr, &reason)) return cannotOpen(err, files[0], reason);
    return saveAs(*doc, files[1], options, err);
}

int runEdit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    struct Planned {
        std::string name;
        StepAction action;
    };
    std::vector<Planned> plan;
    std::string input, output;
    SaveOptions options;
    bool timings = false;
    bool printHistory = false;
    int status = kCliSuccess;
    // Everything is checked before any file is touched.
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--timings") {
            timings = true;
            continue;
        }
        if (arg == "-o" || arg == "--output") {
            if (i + 1 >= args.size()) return usage(err, arg, "an output file must follow");
            if (!output.empty()) return usage(err, args[i + 1], "only one output file is allowed");
            output = args[++i];
            continue;
        }
        if (arg == "--print-history") {
            printHistory = true;
            continue;
        }
        if (isQualityOption(arg)) {
            if (!takeQuality(args, i, options, err, status)) return status;
            continue;
        }
        if (arg == "--lossless") {
            options.webpLossless = true;
            continue;
        }
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            const std::string name = arg.substr(0, eq);
            const StepInfo* step = findStep(name);
            if (!step) return usage(err, arg, "no such step");
            std::string parameter;
            if (!step->parameter.empty()) {
                if (eq != std::string::npos) {
                    parameter = arg.substr(eq + 1);
                } else if (i + 1 < args.size()) {
                    parameter = args[++i];
                } else {
                    return usage(err, arg, name + " needs " + step->parameter);
                }
            } else if (eq != std::string::npos) {
                return usage(err, arg, name + " takes no parameter");
            }
            std::string why;
            StepAction action = step->parse(parameter, why);
            if (!action) return usage(err, parameter, name + ": " + why);
            plan.push_back({name, std::move(action)});
            continue;
        }
        if (!input.empty()) return usage(err, arg, "only one input file is allowed");
        input = arg;
    }
    if (input.empty()) return usage(err, "edit", "edit takes IN, the steps, then -o OUT");
    if (output.empty()) return usage(err, "edit", "the output file is missing (-o OUT)");
    if (!checkOutput(err, output, status)) return status;

    // With --timings, the wall time of the open, of each step and of the save, one line each as
    // it completes.
    using Clock = std::chrono::steady_clock;
    Clock::time_point started = Clock::now();
    auto timed = [&](const std::string& what) {
        if (!timings) return;
        const Clock::time_point now = Clock::now();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.6f",
                      std::chrono::duration<double>(now - started).count());
        err << "timing " << what << " " << seconds << "\n";
        started = now;
    };

    std::unique_ptr<Document> opened;
    std::string reason;
    if (!openDocument(opened, input, nullptr, &reason)) return cannotOpen(err, input, reason);
    EditSession session(std::move(opened));
    timed("open");
    for (const Planned& step : plan) {
        std::string failure;
        if (step.action(session, failure)) {
            timed(step.name.substr(2));
            continue;
        }
        if (failure.empty()) failure = "the command could not be applied";
        // The editor's own messages ("Cannot open file "x"!", perhaps with a reason after it)
        // stand alone; others say which step failed.
        if (failure.find("\"!") != std::string::npos) {
            err << failure << "\n";
        } else {
            err << kProgram << ": " << step.name << ": " << failure << "\n";
        }
        return kCliFileError;
    }
    if (printHistory) {
        // Oldest first; the state the document is at is marked, undone states follow it.
        const History& history = *session.history;
        for (int i = 0; i < history.count(); ++i)
            out << (i == history.current() ? "* " : "  ") << history.stateAt(i)->name() << "\n";
    }
    const int saved = saveAs(*session.document, output, options, err);
    if (saved == kCliSuccess) timed("save");
    return saved;
}

// Wraps text at 80 columns with the given indent.
void wrap(std::ostream& out, const std::string& text, size_t indent) {
    std::istringstream words(text);
    std::string word;
    size_t column = indent;
    out << std::string(indent, ' ');
    bool first = true;
    while (words >> word) {
        if (!first && column + 1 + word.size() > 80) {
            out << "\n" << std::string(indent, ' ');
            column = indent;
            first = true;
        }
        if (!first) {
            out << ' ';
            ++column;
        }
        out << word;
        column += word.size();
        first = false;
    }
    out << "\n";
}

// An example command line under an entry of the help, never wrapped (it is to be copied).
void example(std::ostream& out, const std::string& commandLine) {
    if (!commandLine.empty()) out << "      e.g. " << commandLine << "\n";
}

}  // namespace

std::string cliHelp() {
    std::ostringstream out;
    out << "Usage:\n"
        << "  " << kProgram << " info FILE...\n"
        << "  " << kProgram << " convert IN OUT [--quality N] [--lossless]\n"
        << "  " << kProgram
        << " edit IN STEP... -o OUT [--quality N] [--lossless] [--print-history] [--timings]\n"
        << "  " << kProgram << " --help\n"
        << "Any command also takes --threads N: the number of threads an operation may split its "
           "rows over (all cores when left out; results do not depend on it).\n\n"
        << "Commands:\n"
        << "  info FILE...\n";
    wrap(out,
         "One line per file: format, width x height, bits per pixel as stored, whether it has "
         "transparency, and resolution in dots per inch (72 when the file records none). An "
         "OpenRaster file adds its layer count and a line per layer, top first: name, size, "
         "offset, blend mode, opacity and visibility.",
         6);
    example(out, std::string(kProgram) + " info photo.jpg drawing.ora");
    out << "  convert IN OUT [--quality N] [--lossless]\n";
    wrap(out,
         "Opens IN as the editor's Open does and saves it as Save As does; the format comes from "
         "OUT's extension (bmp, dib, rle, jpg, jpeg, jpe, jfif, png, tif, tiff, webp, or ora to "
         "keep the "
         "layers). --quality sets the JPEG and lossy WebP quality, 0..100 (95 when left out); "
         "--lossless writes WebP lossless.",
         6);
    example(out, std::string(kProgram) + " convert scan.tif scan.webp --quality 90");
    out << "  edit IN STEP... -o OUT [--quality N] [--lossless] [--print-history] [--timings]\n";
    wrap(out,
         "Opens IN, applies each step in the order given as the editor's command would, and "
         "saves OUT. A step's parameter follows it as the next argument or after \"=\". "
         "--timings prints the wall time of the open, of each step and of the save on standard "
         "error as it completes, one line each: \"timing open 0.052103\", \"timing "
         "gaussian-blur 0.143200\" (the step without its leading dashes), \"timing save ...\". "
         "The steps that change the document are recorded in its history (20 states at the "
         "start), so that --undo and --redo act as the editor's Undo and Redo; --print-history "
         "lists the recorded states on standard output before saving, oldest first, the current "
         "one marked \"*\".",
         6);
    example(out, std::string(kProgram) +
                     " edit photo.jpg --auto-levels --gaussian-blur 1.5 -o soft.jpg --quality 90");
    out << "\nSteps:\n";
    for (const StepInfo& s : editSteps()) {
        out << "  " << s.name << (s.parameter.empty() ? "" : " " + s.parameter) << "\n";
        wrap(out, s.help, 6);
        example(out, stepExampleCommand(s.name));
    }
    std::string modes = "Blend modes (MODE): ";
    for (int id = 0; id < kBlendModeCount; ++id) {
        modes += std::to_string(id) + " " + std::string(blendModeName(id));
        modes += id + 1 < kBlendModeCount ? ", " : ".";
    }
    out << "\n";
    wrap(out, modes, 0);
    out << "\n";
    wrap(out,
         "Files readable: BMP, DIB, RLE, GIF, ICO, JPEG, PNG, OpenRaster, TIFF, WebP. Writable: "
         "BMP, JPEG, PNG, OpenRaster, TIFF, WebP.",
         0);
    out << "\n";
    wrap(out,
         "Exit status: 0 success; 1 a file could not be opened or saved, or a step could not be "
         "applied; 2 a usage error. Nothing is written to OUT unless the whole run succeeds.",
         0);
    return out.str();
}

namespace {

// Takes "--threads N" or "--threads=N" out of the arguments (any position) and sets the number
// of threads operations may use: all cores when it is absent. Results do not depend on it.
bool takeThreads(std::vector<std::string>& args, std::ostream& err, int& status) {
    int threads = availableCores();
    for (size_t i = 0; i < args.size(); ++i) {
        std::string value;
        size_t used = 1;
        if (args[i] == "--threads") {
            if (i + 1 >= args.size()) {
                status = usage(err, args[i], "a number of threads 1..64 must follow");
                return false;
            }
            value = args[i + 1];
            used = 2;
        } else if (args[i].rfind("--threads=", 0) == 0) {
            value = args[i].substr(std::string("--threads=").size());
        } else {
            continue;
        }
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || errno != 0 || n < 1 || n > 64) {
            status = usage(err, value, "--threads takes a whole number 1..64");
            return false;
        }
        threads = int(n);
        args.erase(args.begin() + long(i), args.begin() + long(i + used));
        --i;
    }
    setWorkerThreads(threads);
    return true;
}

}  // namespace

int runCli(const std::vector<std::string>& given, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = given;
    int status = kCliSuccess;
    if (!takeThreads(args, err, status)) return status;
    if (args.empty()) return usage(err, "", "a command is needed");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << cliHelp();
        return kCliSuccess;
    }
    if (command == "info") return runInfo(args, out, err);
    if (command == "convert") return runConvert(args, err);
    if (command == "edit") return runEdit(args, out, err);
    return usage(err, command, "no such command (info, convert, edit)");
}

}  // namespace varnel
