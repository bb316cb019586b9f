#pragma once

#include "common/TimeTypes.h"

namespace orvane::map {

// Responsibilities: the sun's apparent place and Greenwich sidereal time for a
// moment in UTC, accurate to a few hundredths of a degree, which is ample for
// a map whose pixels are 0.75 degree wide. Pure functions, no state, no Qt.
//
// The solar theory is the low-precision analytic one referred to 1900
// January 0.5 (mean elements as polynomials in Julian centuries, Kepler's
// equation solved by Newton's method); the mean obliquity is Laskar's (1986)
// tenth-degree polynomial; sidereal time is the classical polynomial in
// centuries since 1900. Positions are geometric: no nutation or aberration.
// Angles are in degrees unless a name says otherwise.

inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

// a reduced to 0 <= a < 360; negative angles come out positive.
double FixAngle(double a);

// Calendar date to Julian date (Meeus, Astronomical Algorithms, ch. 7).
// month is 0..11. Dates before 1582 October 5 are read in the Julian
// calendar, later ones in the Gregorian; the ten days that never existed
// (October 5 to 14 of 1582) count as Gregorian.
double UtcToJulianDate(int year, int month, int day, int hour, int minute, int second);

// Julian date of a moment. The moment's broken-down form is proleptic
// Gregorian (as the calendar dialog shows it); before 1582 October 15 it is
// first rewritten as the same day in the Julian calendar, so the calendar
// rule of UtcToJulianDate yields the true Julian date for every year 1..9999.
double MomentToJulianDate(UtcMoment t);

// Eccentric anomaly (radians) for mean anomaly meanAnomaly (degrees) and
// eccentricity e, by Newton's method to a residual of 1e-6 radians.
double SolveKepler(double meanAnomaly, double e);

// Mean obliquity of the ecliptic (Laskar 1986); the J2000 value outside
// +-10,000 Julian years of J2000.0, where the polynomial is not valid.
double MeanObliquity(double jd);

// Geometric right ascension (0..360) and declination (-90..90) of the sun.
void SunPosition(double jd, double& rightAscension, double& declination);

// Greenwich mean sidereal time in hours, 0 <= gst < 24.
double GreenwichSiderealTime(double jd);

// Everything a map recomputation needs of the sun at one moment.
struct SunFix {
    double julianDate = 0;
    double rightAscension = 0;  // degrees
    double declination = 0;     // degrees
    double siderealHours = 0;   // Greenwich mean sidereal time

    // Longitude of the sub-solar point measured eastwards from 180 W, 0..360.
    double subSolarFromLeftEdge() const;
    // Map column of the sub-solar point on a map mapWidth columns wide.
    int noonColumn(int mapWidth) const;
};

SunFix SunAt(UtcMoment t);

}  // namespace orvane::map
