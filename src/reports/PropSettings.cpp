#include "reports/PropSettings.h"

#include <algorithm>

#include "common/IniFile.h"

namespace orvane::reports {
namespace {

const QString& section() {
    static const QString name = QString::fromLatin1(kPropSection);
    return name;
}

// The settings file trims values and strips one pair of enclosing quotes, so a
// text with spaces or quotes at either end is written inside quotes to come
// back unchanged. Line breaks would split the entry and are never stored.
QString storable(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (t.isEmpty()) return t;
    const auto edgy = [](QChar c) { return c.isSpace() || c == QLatin1Char('"') || c == QLatin1Char('\''); };
    if (edgy(t.front()) || edgy(t.back())) return QLatin1Char('"') + t + QLatin1Char('"');
    return t;
}

}  // namespace

PropSettings defaultPropSettings() {
    PropSettings s;
    s.pass = QString::fromLatin1(kDefaultPassword);
    for (int i = 0; i < kReportCount; ++i) s.Reports[static_cast<std::size_t>(i)] = reportDefault(i);
    return s;
}

PropSettings ReadPropSettings(const IniFile& ini) {
    const PropSettings d = defaultPropSettings();
    PropSettings s;
    s.UseProxy = ini.readBool(section(), QStringLiteral("UseProxy"), d.UseProxy);
    s.Proxy = ini.readString(section(), QStringLiteral("Proxy"), d.Proxy);
    s.ProxyPort = ini.readInteger(section(), QStringLiteral("ProxyPort"), d.ProxyPort);
    s.pass = ini.readString(section(), QStringLiteral("pass"), d.pass);
    for (int i = 0; i < kReportCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        s.Reports[at] = ini.readBool(section(), reportKey(i), d.Reports[at]);
    }
    const int source = ini.readInteger(section(), QStringLiteral("ReportSource"), static_cast<int>(d.ReportSource));
    s.ReportSource = source == static_cast<int>(ReportSourceKind::Ftp) ? ReportSourceKind::Ftp : ReportSourceKind::Https;
    return s;
}

void WritePropSettings(IniFile& ini, const PropSettings& s) {
    ini.writeBool(section(), QStringLiteral("UseProxy"), s.UseProxy);
    ini.writeString(section(), QStringLiteral("Proxy"), storable(s.Proxy));
    ini.writeInteger(section(), QStringLiteral("ProxyPort"), s.ProxyPort);
    ini.writeString(section(), QStringLiteral("pass"), storable(s.pass));
    for (int i = 0; i < kReportCount; ++i)
        ini.writeBool(section(), reportKey(i), s.Reports[static_cast<std::size_t>(i)]);
    ini.writeInteger(section(), QStringLiteral("ReportSource"), static_cast<int>(s.ReportSource));
}

int selectedReportCount(const PropSettings& s) {
    return static_cast<int>(std::count(s.Reports.begin(), s.Reports.end(), true));
}

}  // namespace orvane::reports
