#include "app/help/HelpWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace orvane::help {

namespace {

constexpr int kUrlRole = Qt::UserRole;

QString toQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Orvane ++ Help"));
    setObjectName(QStringLiteral("frmHelp"));
    // Closing the main window ends the program even while help is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(820, 560);

    auto* home = new QToolButton(this);
    home->setText(tr("&Contents"));
    home->setToolTip(tr("Show the welcome page and the contents"));
    back_ = new QToolButton(this);
    back_->setText(tr("&Back"));
    back_->setArrowType(Qt::LeftArrow);
    back_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_->setEnabled(false);
    forward_ = new QToolButton(this);
    forward_->setText(tr("&Forward"));
    forward_->setArrowType(Qt::RightArrow);
    forward_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    forward_->setEnabled(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(home);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addStretch();

    contents_ = new QTreeWidget(this);
    contents_->setObjectName(QStringLiteral("tvContents"));
    contents_->setHeaderHidden(true);
    contents_->setRootIsDecorated(true);
    buildContents();

    auto* searchPage = new QWidget(this);
    searchField_ = new QLineEdit(searchPage);
    searchField_->setObjectName(QStringLiteral("edSearch"));
    searchField_->setPlaceholderText(tr("Words to find"));
    searchField_->setClearButtonEnabled(true);
    auto* find = new QPushButton(tr("&Find"), searchPage);
    searchResults_ = new QListWidget(searchPage);
    searchResults_->setObjectName(QStringLiteral("lbSearchResults"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchField_);
    searchRow->addWidget(find);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(new QLabel(tr("Pages with every word:"), searchPage));
    searchLayout->addWidget(searchResults_);

    navigation_ = new QTabWidget(this);
    navigation_->addTab(contents_, tr("Contents"));
    navigation_->addTab(searchPage, tr("Search"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("tbTopic"));
    browser_->setOpenExternalLinks(true);  // http and mailto go to the desktop's handlers
    browser_->document()->setDefaultStyleSheet(HelpCatalog::readPage(QStringLiteral("help.css")));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(navigation_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 580});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    connect(home, &QToolButton::clicked, this, [this] { showTopic(contentsUrl()); });
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { showTopic(item->data(0, kUrlRole).toUrl()); });
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { showTopic(item->data(0, kUrlRole).toUrl()); });
    connect(navigation_, &QTabWidget::currentChanged, this, [this](int index) {
        if (navigation_->widget(index)->isAncestorOf(searchField_)) searchField_->setFocus();
    });
    connect(searchField_, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
    connect(find, &QPushButton::clicked, this, &HelpWindow::runSearch);
    connect(searchResults_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openSearchHit(searchResults_->row(item)); });
    connect(searchResults_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openSearchHit(searchResults_->row(item)); });

    browser_->setSource(contentsUrl());
}

void HelpWindow::buildContents() {
    QTreeWidgetItem* page = nullptr;
    for (const ContentsEntry& entry : kContents) {
        const QUrl url = topicUrl(entry.page, entry.anchor);
        QTreeWidgetItem* item = entry.level == 0 || page == nullptr ? new QTreeWidgetItem(contents_)
                                                                     : new QTreeWidgetItem(page);
        item->setText(0, toQString(entry.title));
        item->setData(0, kUrlRole, url);
        if (entry.level == 0) page = item;
    }
}

void HelpWindow::showTopic(const QUrl& url) {
    if (url.isEmpty()) return;
    // setSource ignores a request for the page already shown, so an anchor on
    // the same page is scrolled to explicitly.
    if (url.adjusted(QUrl::RemoveFragment) == browser_->source().adjusted(QUrl::RemoveFragment)) {
        browser_->setSource(url);
        if (url.hasFragment()) {
            browser_->scrollToAnchor(url.fragment());
        } else {
            browser_->verticalScrollBar()->setValue(0);
        }
    } else {
        browser_->setSource(url);
    }
    syncContents(url);
}

QUrl HelpWindow::currentUrl() const { return browser_->source(); }

void HelpWindow::runSearch() {
    searchResults_->clear();
    lastQuery_ = searchField_->text().simplified();
    const auto hits = catalog_.search(lastQuery_);
    for (const SearchHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, searchResults_);
        item->setData(kUrlRole, QUrl(QStringLiteral("qrc:/help/") + hit.page));
    }
    if (hits.empty() && !lastQuery_.isEmpty()) {
        auto* none = new QListWidgetItem(tr("No page holds all of these words."), searchResults_);
        none->setFlags(Qt::NoItemFlags);
    }
    navigation_->setCurrentIndex(1);
}

void HelpWindow::openSearchHit(int row) {
    const QListWidgetItem* item = searchResults_->item(row);
    if (item == nullptr) return;
    const QUrl url = item->data(kUrlRole).toUrl();
    if (url.isEmpty()) return;
    showTopic(url);
    // Jump to the first place where the first word stands, and mark it.
    const QString first = lastQuery_.section(QLatin1Char(' '), 0, 0);
    if (!first.isEmpty()) {
        browser_->moveCursor(QTextCursor::Start);
        browser_->find(first);
    }
}

void HelpWindow::syncContents(const QUrl& url) {
    // Select the most precise contents entry for the page shown.
    QTreeWidgetItem* best = nullptr;
    for (QTreeWidgetItemIterator it(contents_); *it != nullptr; ++it) {
        const QUrl entry = (*it)->data(0, kUrlRole).toUrl();
        if (entry == url) {
            best = *it;
            break;
        }
        if (best == nullptr && entry.adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment) &&
            !entry.hasFragment()) {
            best = *it;
        }
    }
    if (best != nullptr) {
        const QSignalBlocker block(contents_);
        contents_->setCurrentItem(best);
    }
}

}  // namespace orvane::help
