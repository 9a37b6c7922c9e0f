// The user manual: HTML pages in one folder with a contents file (contents.xml) that gives the
// tree of topics and the index's keywords. The help window shows it; this part only reads it,
// finds it beside the program and searches its pages (Qt Core and Gui, no widgets).
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace varnel {

// The file in the manual's folder that lists its topics and keywords.
inline constexpr char kManualContentsFile[] = "contents.xml";
// The page "Feedback and Support" opens.
inline constexpr char kFeedbackPage[] = "feedback_support.html";

// Where the manual of the program in `programDirectory` lives: "manual" beside the program (a
// build tree), then "../share/varnel/manual" (an installed tree under any prefix), then the
// system's data folders. Empty when none holds a contents file.
QString findManualDirectory(const QString& programDirectory);

struct HelpTopic {
    QString title;
    QString page;  // a page file, possibly with "#anchor"; empty for a heading without a page
    QList<HelpTopic> children;
};

struct HelpKeyword {
    QString text;
    QString target;  // page file with "#anchor" or without
};

struct HelpSearchHit {
    QString page;
    QString title;
    int matches = 0;  // how often the query's words occur on the page
};

class HelpManual {
public:
    // Reads the contents file of `directory`. False, with the reason in `error`, when it is
    // missing or malformed; the manual is then empty.
    bool load(const QString& directory, QString* error = nullptr);

    bool isLoaded() const { return !directory_.isEmpty(); }
    QString directory() const { return directory_; }
    QString title() const { return title_; }
    QString homePage() const { return home_; }
    const QList<HelpTopic>& topics() const { return topics_; }
    // Sorted without regard to case.
    const QList<HelpKeyword>& keywords() const { return keywords_; }
    // Every page file the contents name, each once, in the order of the contents.
    QStringList pages() const;
    // The title the contents give the page (without anchor); the file name when it has none.
    QString pageTitle(const QString& page) const;
    // A page or "page#anchor" of the manual as a URL the help browser opens.
    QUrl urlOf(const QString& target) const;
    // The page file of a URL inside the manual's folder; empty for anything else.
    QString pageOf(const QUrl& url) const;

    // The pages holding every word of `query` (case-insensitive; the words of a page are its
    // text without markup), most matches first, then in the order of the contents.
    QList<HelpSearchHit> search(const QString& query) const;
    // The text of a page without markup (read once, then kept).
    QString pageText(const QString& page) const;

private:
    QString directory_;
    QString title_;
    QString home_;
    QList<HelpTopic> topics_;
    QList<HelpKeyword> keywords_;
    mutable QMap<QString, QString> texts_;
};

}  // namespace varnel
