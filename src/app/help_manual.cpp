#include "app/help_manual.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <algorithm>

namespace varnel {

namespace {

bool hasContents(const QString& directory) {
    return QFileInfo(QDir(directory).filePath(QString::fromLatin1(kManualContentsFile))).isFile();
}

QString withoutAnchor(const QString& target) {
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    return hash < 0 ? target : target.left(hash);
}

// A target must stay inside the manual's folder: a plain file name with an optional anchor.
bool isPlainTarget(const QString& target) {
    const QString page = withoutAnchor(target);
    return !page.isEmpty() && !page.contains(QLatin1Char('/')) &&
           !page.contains(QLatin1Char('\\')) && page != QLatin1String("..");
}

void collectPages(const QList<HelpTopic>& topics, QStringList& pages) {
    for (const HelpTopic& topic : topics) {
        const QString page = withoutAnchor(topic.page);
        if (!page.isEmpty() && !pages.contains(page)) pages.push_back(page);
        collectPages(topic.children, pages);
    }
}

const HelpTopic* findTopicOfPage(const QList<HelpTopic>& topics, const QString& page) {
    for (const HelpTopic& topic : topics) {
        if (topic.page == page) return &topic;
        if (const HelpTopic* found = findTopicOfPage(topic.children, page)) return found;
    }
    return nullptr;
}

}  // namespace

QString findManualDirectory(const QString& programDirectory) {
    QStringList candidates;
    if (!programDirectory.isEmpty()) {
        const QDir program(programDirectory);
        candidates << program.filePath(QStringLiteral("manual"))
                   << program.filePath(QStringLiteral("../share/varnel/manual"));
    }
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates << QDir(data).filePath(QStringLiteral("varnel/manual"));
    for (const QString& candidate : candidates) {
        if (hasContents(candidate)) return QDir(candidate).canonicalPath();
    }
    return {};
}

bool HelpManual::load(const QString& directory, QString* error) {
    *this = HelpManual();
    auto fail = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QFile file(QDir(directory).filePath(QString::fromLatin1(kManualContentsFile)));
    if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
    // The contents file is a few kilobytes; anything far larger is not ours.
    if (file.size() > 4 * 1024 * 1024)
        return fail(QStringLiteral("the contents file is too large"));

    QXmlStreamReader xml(&file);
    QString title, home;
    QList<HelpTopic> roots;
    QList<HelpKeyword> keywords;
    // The chain of open topics; children are appended to the last one.
    QList<HelpTopic> open;
    bool inManual = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const auto attributes = xml.attributes();
            const QStringView name = xml.name();
            if (!inManual) {
                if (name != QLatin1String("manual"))
                    return fail(QStringLiteral("the contents file is not a manual"));
                inManual = true;
                title = attributes.value(QLatin1String("title")).toString();
                home = attributes.value(QLatin1String("home")).toString();
            } else if (name == QLatin1String("topic")) {
                HelpTopic topic;
                topic.title = attributes.value(QLatin1String("title")).toString();
                topic.page = attributes.value(QLatin1String("page")).toString();
                if (topic.title.isEmpty())
                    return fail(
                        QStringLiteral("a topic without a title at line %1").arg(xml.lineNumber()));
                if (!topic.page.isEmpty() && !isPlainTarget(topic.page))
                    return fail(QStringLiteral("topic \"%1\" names a page outside the manual")
                                    .arg(topic.title));
                open.push_back(topic);
            } else if (name == QLatin1String("keyword")) {
                HelpKeyword keyword{attributes.value(QLatin1String("text")).toString(),
                                    attributes.value(QLatin1String("target")).toString()};
                if (keyword.text.isEmpty() || !isPlainTarget(keyword.target))
                    return fail(QStringLiteral("a keyword without text or target at line %1")
                                    .arg(xml.lineNumber()));
                keywords.push_back(keyword);
                xml.skipCurrentElement();
            } else {
                xml.skipCurrentElement();
            }
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("topic")) {
            HelpTopic done = open.takeLast();
            if (open.isEmpty())
                roots.push_back(done);
            else
                open.last().children.push_back(done);
        }
    }
    if (xml.hasError())
        return fail(QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
    if (roots.isEmpty()) return fail(QStringLiteral("the contents file lists no topics"));
    if (home.isEmpty() || !isPlainTarget(home))
        return fail(QStringLiteral("the contents file names no home page"));

    std::stable_sort(keywords.begin(), keywords.end(),
                     [](const HelpKeyword& a, const HelpKeyword& b) {
                         return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
                     });
    directory_ = QDir(directory).absolutePath();
    title_ = title;
    home_ = home;
    topics_ = roots;
    keywords_ = keywords;
    return true;
}

QStringList HelpManual::pages() const {
    QStringList pages;
    if (!home_.isEmpty()) pages.push_back(withoutAnchor(home_));
    collectPages(topics_, pages);
    return pages;
}

QString HelpManual::pageTitle(const QString& page) const {
    const HelpTopic* topic = findTopicOfPage(topics_, withoutAnchor(page));
    return topic ? topic->title : withoutAnchor(page);
}

QUrl HelpManual::urlOf(const QString& target) const {
    QUrl url = QUrl::fromLocalFile(QDir(directory_).filePath(withoutAnchor(target)));
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    if (hash >= 0) url.setFragment(target.mid(hash + 1));
    return url;
}

QString HelpManual::pageOf(const QUrl& url) const {
    if (!url.isLocalFile() || directory_.isEmpty()) return {};
    const QFileInfo info(url.toLocalFile());
    if (QDir(info.absolutePath()) != QDir(directory_)) return {};
    return info.fileName();
}

QString HelpManual::pageText(const QString& page) const {
    const QString name = withoutAnchor(page);
    auto known = texts_.constFind(name);
    if (known != texts_.constEnd()) return *known;
    QString text;
    QFile file(QDir(directory_).filePath(name));
    if (isPlainTarget(name) && file.open(QIODevice::ReadOnly) && file.size() < 16 * 1024 * 1024) {
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        text = document.toPlainText();
    }
    texts_.insert(name, text);
    return text;
}

QList<HelpSearchHit> HelpManual::search(const QString& query) const {
    static const QRegularExpression separators(QStringLiteral("[^\\w/+-]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QStringList words = query.toLower().split(separators, Qt::SkipEmptyParts);
    words.removeDuplicates();
    QList<HelpSearchHit> hits;
    if (words.isEmpty()) return hits;
    for (const QString& page : pages()) {
        const QString text = pageText(page).toLower();
        int matches = 0;
        bool all = true;
        for (const QString& word : words) {
            const int count = int(text.count(word));
            if (count == 0) {
                all = false;
                break;
            }
            matches += count;
        }
        if (all) hits.push_back({page, pageTitle(page), matches});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const HelpSearchHit& a, const HelpSearchHit& b) {
        return a.matches > b.matches;
    });
    return hits;
}

}  // namespace varnel
