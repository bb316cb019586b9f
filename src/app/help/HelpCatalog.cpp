#include "app/help/HelpCatalog.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <algorithm>

namespace orvane::help {

namespace {

QString toQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString titleOf(const QString& html) {
    static const QRegularExpression kTitle(QStringLiteral("<title>(.*?)</title>"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
    const auto match = kTitle.match(html);
    return match.hasMatch() ? match.captured(1).simplified() : QString();
}

}  // namespace

std::optional<TopicRef> topicForContext(int context) {
    const auto it = std::find_if(kContextTopics.begin(), kContextTopics.end(),
                                 [context](const TopicRef& t) { return t.context == context; });
    if (it == kContextTopics.end()) return std::nullopt;
    return *it;
}

QUrl topicUrl(std::string_view page, std::string_view anchor) {
    QUrl url(QStringLiteral("qrc:/help/") + toQString(page));
    if (!anchor.empty()) url.setFragment(toQString(anchor));
    return url;
}

QUrl contentsUrl() { return topicUrl(kContents.front().page); }

QString HelpCatalog::readPage(const QString& page) {
    QFile file(QStringLiteral(":/help/") + page);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

HelpCatalog::HelpCatalog() {
    for (const ContentsEntry& entry : kContents) {
        if (entry.level != 0) continue;
        const QString page = toQString(entry.page);
        const QString html = readPage(page);
        pages_.push_back({page, titleOf(html), QTextDocumentFragment::fromHtml(html).toPlainText()});
    }
}

std::vector<SearchHit> HelpCatalog::search(const QString& query) const {
    static const QRegularExpression kSpace(QStringLiteral("\\s+"));
    const QStringList words = query.split(kSpace, Qt::SkipEmptyParts);
    std::vector<SearchHit> hits;
    if (words.isEmpty()) return hits;

    for (const HelpPage& p : pages_) {
        int score = 0;
        bool all = true;
        for (const QString& word : words) {
            const auto inText = p.text.count(word, Qt::CaseInsensitive);
            const bool inTitle = p.title.contains(word, Qt::CaseInsensitive);
            if (inText == 0 && !inTitle) {
                all = false;
                break;
            }
            score += static_cast<int>(std::min<qsizetype>(inText, 20)) + (inTitle ? 25 : 0);
        }
        if (all) hits.push_back({p.page, p.title, score});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const SearchHit& a, const SearchHit& b) { return a.score > b.score; });
    return hits;
}

}  // namespace orvane::help
