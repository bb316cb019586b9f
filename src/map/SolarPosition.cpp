#include "map/SolarPosition.h"

#include <cmath>
#include <cstdint>

#include "common/TimeTypes.h"

namespace orvane::map {

double FixAngle(double a) { return a - 360.0 * std::floor(a * (1.0 / 360.0)); }

double UtcToJulianDate(int year, int month, int day, int hour, int minute, int second) {
    int y = year;
    int m = month + 1;
    if (m <= 2) {
        y -= 1;
        m += 12;
    }
    // The calendar test looks at the date as given, not at the shifted y and m.
    const bool julianCalendar = year < 1582 || (year == 1582 && (month < 9 || (month == 9 && day < 5)));
    std::int64_t b = 0;
    if (!julianCalendar) {
        const std::int64_t a = y / 100;
        b = 2 - a + a / 4;
    }
    const auto days = static_cast<std::int64_t>(std::trunc(365.25 * (y + 4716))) +
                      static_cast<std::int64_t>(std::trunc(30.6001 * (m + 1))) + day + b;
    return static_cast<double>(days) - 1524.5 + (3600.0 * hour + 60.0 * minute + second) / 86400.0;
}

namespace {

// Julian-calendar date of a day counted from 1970-01-01 (the inverse of the
// Julian calendar's day count; Julian day number 2440588 is 1970-01-01).
void julianCalendarFromUnixDays(std::int64_t unixDays, int& year, int& month, int& day) {
    // Richards' algorithm for the Julian calendar, on the Julian day number.
    const std::int64_t jdn = unixDays + 2440588;
    const std::int64_t c = jdn + 32082;
    const std::int64_t d = (4 * c + 3) / 1461;
    const std::int64_t e = c - (1461 * d) / 4;
    const std::int64_t m = (5 * e + 2) / 153;
    day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    month = static_cast<int>(m + 3 - 12 * (m / 10));
    year = static_cast<int>(d - 4800 + m / 10);
}

}  // namespace

double MomentToJulianDate(UtcMoment t) {
    const std::int64_t unixDays = floorDiv(t, 86400);
    const auto secondOfDay = static_cast<int>(floorMod(t, 86400));
    int year = 0, month = 0, day = 0;
    static const std::int64_t gregorianStart = daysFromCivil(1582, 10, 15);
    if (unixDays < gregorianStart)
        julianCalendarFromUnixDays(unixDays, year, month, day);
    else
        civilFromDays(unixDays, year, month, day);
    return UtcToJulianDate(year, month - 1, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
}

double SolveKepler(double meanAnomaly, double e) {
    const double m = meanAnomaly * kDegToRad;
    double ea = m;
    // One more correction follows the iteration whose residual is small enough.
    for (;;) {
        const double delta = ea - e * std::sin(ea) - m;
        ea -= delta / (1.0 - e * std::cos(ea));
        if (std::fabs(delta) <= 1e-6) return ea;
    }
}

double MeanObliquity(double jd) {
    constexpr double kJ2000 = 23.43929111111111;  // 23 deg 26' 21.448"
    // Laskar's coefficients in arc seconds, divided by 3600.
    constexpr double kCoefficients[10] = {
        -4680.93 / 3600.0, -1.55 / 3600.0, 1999.25 / 3600.0, -51.38 / 3600.0, -249.67 / 3600.0,
        -39.05 / 3600.0,   7.12 / 3600.0,  27.87 / 3600.0,   5.79 / 3600.0,   2.45 / 3600.0,
    };
    const double u = (jd - 2451545.0) * 2.737850787132101e-07;  // units of 10,000 Julian years
    if (std::fabs(u) >= 1.0) return kJ2000;
    double eps = kJ2000;
    double power = 1.0;
    for (double c : kCoefficients) {
        power *= u;
        eps += c * power;
    }
    return eps;
}

void SunPosition(double jd, double& rightAscension, double& declination) {
    const double t = (jd - 2415020.0) * (1.0 / 36525.0);  // Julian centuries since 1900 January 0.5
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double l = FixAngle(279.69668 + 36000.76892 * t + 0.0003025 * t2);
    const double m = FixAngle(358.47583 + 35999.04975 * t - 0.00015 * t2 - 0.0000033 * t3);
    const double e = 0.01675104 - 0.0000418 * t - 0.000000126 * t2;
    const double ea = SolveKepler(m, e);
    const double v = FixAngle(2.0 * kRadToDeg * std::atan(std::sqrt((1.0 + e) / (1.0 - e)) * std::tan(ea / 2.0)));
    const double theta = (l + v - m) * kDegToRad;
    const double eps = MeanObliquity(jd) * kDegToRad;
    rightAscension = FixAngle(kRadToDeg * std::atan2(std::cos(eps) * std::sin(theta), std::cos(theta)));
    declination = kRadToDeg * std::asin(std::sin(eps) * std::sin(theta));
}

double GreenwichSiderealTime(double jd) {
    const double jd0 = std::floor(jd + 0.5) - 0.5;
    const double t = (jd0 - 2415020.0) / 36525.0;
    const double theta0 = 6.6460656 + 2400.051262 * t + 0.00002581 * t * t;
    const double f = (jd + 0.5) - std::floor(jd + 0.5);
    const double theta = theta0 + f * 24.0 * 1.002737908;
    return theta - 24.0 * std::floor(theta * (1.0 / 24.0));
}

double SunFix::subSolarFromLeftEdge() const { return FixAngle(rightAscension - 15.0 * siderealHours + 180.0); }

int SunFix::noonColumn(int mapWidth) const {
    const auto n = static_cast<int>(mapWidth * (1.0 / 360.0) * subSolarFromLeftEdge());
    // A longitude a hair below 360 can round up to the full width: that is column 0.
    return n >= mapWidth ? n - mapWidth : n;
}

SunFix SunAt(UtcMoment t) {
    SunFix fix;
    fix.julianDate = MomentToJulianDate(t);
    SunPosition(fix.julianDate, fix.rightAscension, fix.declination);
    fix.siderealHours = GreenwichSiderealTime(fix.julianDate);
    return fix;
}

}  // namespace orvane::map
