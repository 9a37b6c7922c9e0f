#include "cli/man_page.h"

#include <cctype>
#include <sstream>

namespace varnel {

namespace {

// Text for roff: backslashes and minus signs escaped (options stay copyable as ASCII "-"), a
// line that would start with a control character protected.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

size_t indentOf(const std::string& line) {
    size_t n = 0;
    while (n < line.size() && line[n] == ' ') ++n;
    return n;
}

std::string trimmed(const std::string& line) {
    const size_t begin = indentOf(line);
    size_t end = line.size();
    while (end > begin && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
    return line.substr(begin, end - begin);
}

// The tag of an entry: options in bold, the rest (parameter names) in italics.
std::string formattedTag(const std::string& tag) {
    std::istringstream words(tag);
    std::string word, out;
    while (words >> word) {
        if (!out.empty()) out += ' ';
        const bool option = word[0] == '-';
        out += (option ? "\\fB" : "\\fI") + escaped(word) + "\\fR";
    }
    return out;
}

class Writer {
public:
    explicit Writer(std::ostringstream& out) : out_(out) {}

    void section(const std::string& title) {
        finish();
        out_ << ".SH " << upper(title) << "\n";
        section_ = upper(title);
    }
    const std::string& currentSection() const { return section_; }

    // Text joins the open paragraph or entry; with neither open it starts a paragraph.
    void text(const std::string& line) {
        if (!inParagraph_ && !inEntry_) {
            out_ << ".PP\n";
            inParagraph_ = true;
        }
        out_ << escaped(line) << "\n";
    }
    bool inParagraph() const { return inParagraph_; }
    // Text at the margin belongs to no entry.
    void leaveEntry() {
        if (inEntry_) finish();
    }
    void entry(const std::string& tag) {
        finish();
        out_ << ".TP\n" << formattedTag(tag) << "\n";
        inEntry_ = true;
    }
    // A line of its own inside an entry (an example): not filled into the text before it.
    void exampleLine(const std::string& line) {
        out_ << ".br\n.nf\n" << escaped(line) << "\n.fi\n";
    }
    void synopsisLine(const std::string& line) { out_ << escaped(line) << "\n.br\n"; }
    void finish() {
        inParagraph_ = false;
        inEntry_ = false;
    }

private:
    std::ostringstream& out_;
    std::string section_;
    bool inParagraph_ = false;
    bool inEntry_ = false;
};

}  // namespace

std::string manPageFromHelp(const ManPageInfo& info, const std::string& help) {
    std::ostringstream out;
    out << ".\\\" Generated from \"" << info.name << " --help\" by the build; do not edit.\n"
        << ".TH \"" << upper(info.name) << "\" \"1\" \"" << info.date << "\" \"" << info.version
        << "\" \"User Commands\"\n"
        << ".SH NAME\n"
        << escaped(info.name) << " \\- " << escaped(info.summary) << "\n";
    Writer w(out);

    std::istringstream lines(help);
    std::string line;
    bool inSynopsis = false;
    while (std::getline(lines, line)) {
        const std::string body = trimmed(line);
        const size_t indent = indentOf(line);
        if (body.empty()) {
            w.finish();
            continue;
        }
        if (indent == 0 && body.rfind("Usage:", 0) == 0) {
            w.section("Synopsis");
            inSynopsis = true;
            const std::string rest = trimmed(body.substr(6));
            if (!rest.empty()) w.synopsisLine(rest);
            continue;
        }
        if (inSynopsis && indent > 0) {
            w.synopsisLine(body);
            continue;
        }
        if (indent == 0 && body.back() == ':' && body.find(' ') == std::string::npos) {
            inSynopsis = false;
            w.section(body.substr(0, body.size() - 1));
            continue;
        }
        if (indent == 0) {
            if (inSynopsis) {
                inSynopsis = false;
                w.section("Description");
            }
            w.leaveEntry();
            if (!w.inParagraph() && body.rfind("Exit status:", 0) == 0) {
                w.section("Exit status");
                w.text(trimmed(body.substr(12)));
                continue;
            }
            w.text(body);
            continue;
        }
        // Options are aligned under one another: "  -h, --help  ..." and "      --version  ...".
        const bool taggedLine = body[0] == '-' && body.find("  ") != std::string::npos;
        if (indent <= 4 || (indent <= 6 && taggedLine)) {
            // A tag, with its text on the same line after a gap of two spaces or more.
            const size_t gap = body.find("  ");
            if (gap == std::string::npos) {
                w.entry(body);
            } else {
                w.entry(body.substr(0, gap));
                w.text(trimmed(body.substr(gap)));
            }
            continue;
        }
        if (body.rfind("e.g. ", 0) == 0)
            w.exampleLine(body);
        else
            w.text(body);
    }
    if (!info.seeAlso.empty()) {
        w.section("See also");
        for (size_t i = 0; i < info.seeAlso.size(); ++i) {
            const std::string& ref = info.seeAlso[i];
            const size_t paren = ref.find('(');
            if (paren == std::string::npos) {
                out << escaped(ref);
            } else {
                out << ".BR " << escaped(ref.substr(0, paren)) << " " << ref.substr(paren);
            }
            out << (i + 1 < info.seeAlso.size() ? ",\n" : "\n");
        }
    }
    return out.str();
}

}  // namespace varnel
