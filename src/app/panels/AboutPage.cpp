// The About tab: which version runs, the local time, the maker's web site
// and the credits dialog.
#include "app/panels/AboutPage.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/AboutInfo.h"
#include "app/MoreAbout.h"
#include "app/Guarded.h"
#include "app/TimeLabels.h"
#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/TextGrowth.h"

namespace orvane::app {

namespace {

constexpr auto kFrameHint = "Illuminate your options";
// The classic page the design's sizes below are given for.
constexpr QSize kDesignPage{555, 323};
// The page's text grows as the Monitor's does: there is room for it.
constexpr double kMaxTextScale = 4.0;

QFrame* aboutFrame(QWidget* parent, QFrame::Shadow shadow) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | shadow);
    frame->setLineWidth(shadow == QFrame::Sunken ? 1 : 2);
    frame->setToolTip(QString::fromLatin1(kFrameHint));
    frame->setStatusTip(frame->toolTip());
    return frame;
}

QLabel* centredLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

// One column down the page-sized bevel, centred: the version, the local
// time, a raised frame with two lines and the web site, "Credits", and a
// raised frame with the closing line. At the classic page the gaps and sizes
// are the design's (the version at y 21, the upper frame 393 x 108 at y 92,
// the lower one 393 x 36 at y 265); a larger page grows them and the text
// together and centres the column in the room left over.
AboutPage::AboutPage(MessageService& messages, QWidget* parent)
    : QWidget(parent), messages_(messages), openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    help::setHelpContext(this, help::ctx::kAboutTab);

    // The page-sized lowered bevel.
    QFrame* bevel = aboutFrame(this, QFrame::Sunken);
    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(4, 4, 4, 4);
    pageLayout->addWidget(bevel);
    column_ = new QVBoxLayout(bevel);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);
    const auto gap = [this](int design) {
        auto* item = new QSpacerItem(0, design, QSizePolicy::Minimum, QSizePolicy::Fixed);
        column_->addSpacerItem(item);
        gaps_.push_back({item, design});
    };
    const auto add = [this](QWidget* w, int designWidth, int designHeight) {
        column_->addWidget(w, 0, Qt::AlignHCenter);
        sized_.push_back({w, QSize(designWidth, designHeight)});
    };

    column_->addStretch(1);
    gap(16);
    Label11 = centredLabel(bevel, versionLabelText());
    Label11->setObjectName(QStringLiteral("Label11"));
    setHint(Label11, QStringLiteral("MajorVersion.MinorVersion.Release.Build"));
    Label11->setProperty(kAlwaysShowHintProperty, true);
    add(Label11, 393, 20);
    gap(12);
    lblLocalTime = centredLabel(bevel, QStringLiteral("Local Time"));
    lblLocalTime->setObjectName(QStringLiteral("lblLocalTime"));
    setHint(lblLocalTime, QStringLiteral("User system local time"));
    lblLocalTime->setProperty(kAlwaysShowHintProperty, true);
    add(lblLocalTime, 393, 20);
    gap(19);

    upperFrame_ = aboutFrame(bevel, QFrame::Raised);
    auto* upper = new QVBoxLayout(upperFrame_);
    upper->setSpacing(0);
    upperLayout_ = upper;
    line1_ = centredLabel(upperFrame_, QStringLiteral("Know who is on the air before you tune."));
    line2_ = centredLabel(upperFrame_, QStringLiteral("Eighteen beacons, five bands, one glance."));
    QFont bold = line1_->font();
    bold.setBold(true);
    bold.setPointSize(10);
    line1_->setFont(bold);
    line2_->setFont(bold);
    line2_->setStyleSheet(QStringLiteral("color: #ff0000;"));
    btnWebSite = new QPushButton(webSiteUrl().host(), upperFrame_);
    btnWebSite->setObjectName(QStringLiteral("btnWebSite"));
    setHint(btnWebSite, QStringLiteral("Visit our web site"));
    connect(btnWebSite, &QPushButton::clicked, this, [this] { runGuarded(messages_, [this] { btnWebSiteClick(); }); });
    upper->addWidget(line1_);
    upper->addSpacing(4);
    upper->addWidget(line2_);
    upper->addStretch(1);
    upper->addWidget(btnWebSite, 0, Qt::AlignHCenter);
    sized_.push_back({line1_, QSize(0, 20)});
    sized_.push_back({line2_, QSize(0, 20)});
    sized_.push_back({btnWebSite, QSize(180, 24)});
    add(upperFrame_, 393, 108);
    gap(21);

    btnCredits = new QPushButton(QStringLiteral("&Credits"), bevel);
    btnCredits->setObjectName(QStringLiteral("btnCredits"));
    setHint(btnCredits, QStringLiteral("Remembering a few others"));
    connect(btnCredits, &QPushButton::clicked, this, [this] { runGuarded(messages_, [this] { btnCreditsClick(); }); });
    add(btnCredits, 64, 24);
    gap(20);

    lowerFrame_ = aboutFrame(bevel, QFrame::Raised);
    auto* lower = new QVBoxLayout(lowerFrame_);
    lowerLayout_ = lower;
    closing_ = centredLabel(lowerFrame_, QStringLiteral("Orvane ++ is free for every radio amateur and listener. 73!"));
    lower->addWidget(closing_);
    sized_.push_back({closing_, QSize(0, 20)});
    add(lowerFrame_, 393, 36);
    gap(16);
    column_->addStretch(1);
    applyTextScale(1.0);
}

void AboutPage::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    applyTextScale(app::textScale(size(), kDesignPage, kMaxTextScale));
}

// Sizes are the design's times the scale, or what the text needs where that
// is more (a wider desktop font); the frames are as wide as their widest line.
void AboutPage::applyTextScale(double scale) {
    if (scaledOnce_ && scale == textScale_) return;
    scaledOnce_ = true;
    textScale_ = scale;
    const auto px = [scale](int design) { return static_cast<int>(std::lround(design * scale)); };
    growText(this, scale);
    growText(line1_, scale);
    growText(line2_, scale);
    for (const Gap& g : gaps_) g.item->changeSize(0, px(g.designHeight), QSizePolicy::Minimum, QSizePolicy::Fixed);
    // The frames' insides: the lines at y 10 and 34 of the upper frame, the
    // button 13 above its foot; the closing line at y 8 of the lower one.
    upperLayout_->setContentsMargins(px(4), px(8), px(4), px(11));
    lowerLayout_->setContentsMargins(px(4), px(6), px(4), px(6));
    for (const Sized& s : sized_) {
        const QSize hint = s.widget->sizeHint();
        if (s.design.width() > 0) s.widget->setFixedWidth(std::max(px(s.design.width()), hint.width()));
        s.widget->setMinimumHeight(std::max(px(s.design.height()), hint.height()));
    }
    // The frames: wide enough for every line in them, high enough for their
    // insides.
    const auto widest = [](std::initializer_list<const QWidget*> ws) {
        int w = 0;
        for (const QWidget* x : ws) w = std::max(w, x->sizeHint().width());
        return w;
    };
    const int frameWidth = std::max({px(393), widest({line1_, line2_, btnWebSite, closing_, Label11, lblLocalTime}) + px(16)});
    for (QWidget* w : std::initializer_list<QWidget*>{Label11, lblLocalTime, upperFrame_, lowerFrame_})
        w->setFixedWidth(frameWidth);
    upperFrame_->setFixedHeight(std::max(px(108), upperLayout_->sizeHint().height()));
    lowerFrame_->setFixedHeight(std::max(px(36), lowerLayout_->sizeHint().height()));
    column_->invalidate();
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
