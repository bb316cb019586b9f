#include "app/MoreAbout.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "app/AboutInfo.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"

namespace orvane::app {

namespace {

QFrame* raisedFrame(QWidget* parent, const QRect& geometry) {
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(2);
    frame->setGeometry(geometry);
    return frame;
}

QLabel* centredLine(QWidget* parent, const QString& text, int y, int width, bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(0, y, width, 18);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

}  // namespace

QString creditsText() {
    return QStringLiteral(
        "Our thanks go to:\n"
        "\n"
        "The Northern California DX Foundation and the International Amateur Radio "
        "Union, and the many volunteers who built the eighteen beacons and keep them "
        "on the air, for the network itself, and for patient answers about the "
        "timing of the transmissions, which made the simulation mode possible.\n"
        "\n"
        "The authors of the grey-line (terminator) drawing on which our map is "
        "based: their way of sliding the lit area one column at a time keeps the "
        "map quiet on the processor.\n"
        "\n"
        "The makers of the global relief data from which the topographic world map "
        "was drawn.\n"
        "\n"
        "NOAA's Space Weather Prediction Center, whose forecasters publish the "
        "propagation reports for everyone, every day.\n"
        "\n"
        "And every radio amateur who sent a report, a wish or a correction.");
}

TfrmMoreAbout::TfrmMoreAbout(std::function<bool(const QUrl&)> openUrl, QWidget* parent)
    : QDialog(parent), openUrl_(std::move(openUrl)) {
    setObjectName(QStringLiteral("frmMoreAbout"));
    setWindowTitle(QStringLiteral("More About - Credits"));
    setToolTip(QStringLiteral("Thank you everyone. Building this applet was a real pleasure."));
    setFixedSize(406, 325);
    help::setHelpContext(this, help::ctx::kCredits);

    // The maker, and the way to write to them.
    QFrame* top = raisedFrame(this, {8, 8, 390, 110});
    centredLine(top, QStringLiteral("Orvane ++"), 8, 390, true);
    centredLine(top, QStringLiteral("The NCDXF/IARU beacon companion for Linux"), 28, 390);
    centredLine(top, QStringLiteral("by the Orvane ++ developers"), 46, 390);
    btnMail = new QPushButton(QString::fromLatin1(kMailAddress), top);
    btnMail->setObjectName(QStringLiteral("btnMail"));
    btnMail->setToolTip(QStringLiteral("Send us e-mail"));
    btnMail->setStatusTip(btnMail->toolTip());
    btnMail->setGeometry(95, 74, 200, 24);
    connect(btnMail, &QPushButton::clicked, this, [this] { btnMailClick(); });

    // A small picture: the program's icon.
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setGeometry(153, 122, 100, 58);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QStringLiteral(":/icons/orvane-48.png")));

    // The acknowledgements.
    QFrame* bottom = raisedFrame(this, {8, 184, 390, 100});
    moCredits = new QPlainTextEdit(creditsText(), bottom);
    moCredits->setObjectName(QStringLiteral("moCredits"));
    moCredits->setReadOnly(true);
    moCredits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    moCredits->setGeometry(6, 7, 377, 86);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setToolTip(QStringLiteral("73 & Good DX. Please stay in touch."));
    btnOK->setGeometry(166, 292, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void TfrmMoreAbout::btnMailClick() {
    if (openUrl_) openUrl_(mailUrl());
}

}  // namespace orvane::app
