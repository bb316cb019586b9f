#pragma once

#include <QIcon>
#include <QString>
#include <QUrl>
#include <cstdint>

namespace orvane::app {

// The program's version record: the four numbers of the build that runs
// (major, minor, release, build), from the project version the build was
// configured with.
void GetBuildInfo(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& release, std::uint16_t& build);
// The version record as "major.minor.release.build", e.g. "2.1.2.361".
QString GetBuildInfoString();
// The About tab's version line: "This is Version: 2.1.2.361, of Orvane ++".
QString versionLabelText();

// Where users reach the maker. Placeholders of the reserved example domain
// until the project has an address of its own; change them here only.
inline constexpr char kWebSiteAddress[] = "https://orvane.example.org/";
inline constexpr char kMailAddress[] = "orvane@example.org";

QUrl webSiteUrl();
// mailto: the maker, with the subject "Orvane++".
QUrl mailUrl();

// The program's icon in all its rendered sizes (window and task bar).
QIcon applicationIcon();

// The program's name in its windows' titles and message boxes.
inline constexpr char kProgramTitle[] = "Orvane ++";

// Names the running application ("orvane", its desktop entry) and gives its
// windows the icon. Called once by the entry, after the QApplication exists.
void nameApplication();

}  // namespace orvane::app
