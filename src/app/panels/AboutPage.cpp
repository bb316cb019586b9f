// The About tab: which version runs, the local time, the maker's web site
// and the credits dialog.
#include "app/panels/AboutPage.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AboutInfo.h"
#include "app/MoreAbout.h"
#include "app/Guarded.h"
#include "app/TimeLabels.h"
#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"

namespace orvane::app {

namespace {

constexpr auto kFrameHint = "Illuminate your options";

QFrame* aboutFrame(QWidget* parent, const QRect& geometry, QFrame::Shadow shadow) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | shadow);
    frame->setLineWidth(shadow == QFrame::Sunken ? 1 : 2);
    frame->setGeometry(geometry);
    frame->setToolTip(QString::fromLatin1(kFrameHint));
    frame->setStatusTip(frame->toolTip());
    return frame;
}

QLabel* centredLabel(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

AboutPage::AboutPage(MessageService& messages, QWidget* parent)
    : QWidget(parent), messages_(messages), openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    help::setHelpContext(this, help::ctx::kAboutTab);

    // The page-sized lowered bevel.
    QFrame* bevel = aboutFrame(this, {}, QFrame::Sunken);
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(4, 4, 4, 4);
    pageLayout->addWidget(bevel);

    Label11 = centredLabel(this, versionLabelText(), {81, 21, 393, 20});
    Label11->setObjectName(QStringLiteral("Label11"));
    setHint(Label11, QStringLiteral("MajorVersion.MinorVersion.Release.Build"));
    Label11->setProperty(kAlwaysShowHintProperty, true);

    lblLocalTime = centredLabel(this, QStringLiteral("Local Time"), {81, 53, 393, 20});
    lblLocalTime->setObjectName(QStringLiteral("lblLocalTime"));
    setHint(lblLocalTime, QStringLiteral("User system local time"));
    lblLocalTime->setProperty(kAlwaysShowHintProperty, true);

    QFrame* upper = aboutFrame(this, {89, 92, 393, 108}, QFrame::Raised);
    QLabel* line1 = centredLabel(upper, QStringLiteral("Know who is on the air before you tune."), {0, 10, 393, 20});
    QLabel* line2 = centredLabel(upper, QStringLiteral("Eighteen beacons, five bands, one glance."), {0, 34, 393, 20});
    QFont bold = line1->font();
    bold.setBold(true);
    bold.setPointSize(10);
    line1->setFont(bold);
    line2->setFont(bold);
    line2->setStyleSheet(QStringLiteral("color: #ff0000;"));

    btnWebSite = new QPushButton(webSiteUrl().host(), this);
    btnWebSite->setObjectName(QStringLiteral("btnWebSite"));
    btnWebSite->setGeometry(195, 163, 180, 24);
    setHint(btnWebSite, QStringLiteral("Visit our web site"));
    connect(btnWebSite, &QPushButton::clicked, this, [this] { runGuarded(messages_, [this] { btnWebSiteClick(); }); });

    btnCredits = new QPushButton(QStringLiteral("&Credits"), this);
    btnCredits->setObjectName(QStringLiteral("btnCredits"));
    btnCredits->setGeometry(245, 221, 64, 24);
    setHint(btnCredits, QStringLiteral("Remembering a few others"));
    connect(btnCredits, &QPushButton::clicked, this, [this] { runGuarded(messages_, [this] { btnCreditsClick(); }); });

    QFrame* lower = aboutFrame(this, {81, 265, 393, 36}, QFrame::Raised);
    centredLabel(lower, QStringLiteral("Orvane ++ is free for every radio amateur and listener. 73!"), {0, 8, 393, 20});
}

void AboutPage::showLocalTime(UtcMoment t) {
    lblLocalTime->setText(QString::fromStdString(formatLocalTimeLabel(t)));
}

void AboutPage::btnWebSiteClick() {
    // Nothing is reported when the desktop has no handler for web addresses.
    if (openUrl_) openUrl_(webSiteUrl());
}

void AboutPage::btnCreditsClick() {
    // A fresh dialog each time, destroyed when it closes.
    TfrmMoreAbout dialog(openUrl_, this);
    frmMoreAbout = &dialog;
    struct ClearOnExit {
        QWidget*& ref;
        ~ClearOnExit() { ref = nullptr; }
    } clear{frmMoreAbout};
    dialog.exec();
}

}  // namespace orvane::app
