#pragma once

#include <QWidget>

#include "app/help/HelpCatalog.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::help {

// Responsibilities: the help window. Shows the pages of the built-in help
// with a contents tree, back and forward, links between pages (links to web
// and mail addresses go to the desktop's handlers) and a search over all
// pages.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showTopic(const QUrl& url);

    // The page (and anchor) now shown.
    QUrl currentUrl() const;
    QTextBrowser* browser() const { return browser_; }
    QLineEdit* searchField() const { return searchField_; }
    QListWidget* searchResults() const { return searchResults_; }
    QTreeWidget* contentsTree() const { return contents_; }

private:
    void buildContents();
    void runSearch();
    void openSearchHit(int row);
    void syncContents(const QUrl& url);

    HelpCatalog catalog_;
    QTabWidget* navigation_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QListWidget* searchResults_ = nullptr;
    QTextBrowser* browser_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QString lastQuery_;
};

}  // namespace orvane::help
