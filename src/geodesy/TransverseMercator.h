#pragma once
// Transverse Mercator (Gauss-Krueger series, truncated) and the UTM grid on
// the display datum's own ellipsoid. One TransverseMercator object holds the
// ellipsoid state of one display datum; the document owns it and sets it up
// again whenever the display datum changes.

#include <cstdint>

#include "geodesy/Datum.h"

namespace korvance {

// The 20 band letters C..X without I and O.
inline constexpr char kUtmBandLetters[] = "CDEFGHJKLMNPQRSTUVWX";

// A UTM grid reference.
struct UtmReference {
    int16_t zone = 0;   // 1..60
    char letter = 'N';  // band letter
    double northing = 0.0;
    double easting = 0.0;
};

class TransverseMercator {
public:
    // π taken to 11 decimals, as everywhere in the geodesy.
    static constexpr double kDegreeFactor = 3.14159265359 * (1.0 / 180.0);
    static constexpr double kScale = 0.9996;
    static constexpr double kInverseScale = 1.0004001600640255;
    static constexpr double kFalseEasting = 500000.0;
    static constexpr double kFalseNorthing = 10000000.0;
    // Passes of the inverse before it gives up; well-formed input needs about 5.
    static constexpr int kMaxInversePasses = 50;

    // Set up for WGS 84 (da = df = 0).
    TransverseMercator() { SetTmEllipsoid(0.0, 0.0); }
    explicit TransverseMercator(const Datum& datum) { SetTmEllipsoid(datum.da(), datum.df()); }

    // da, df: the datum row's differences from WGS 84 (semi-major axis, flattening).
    void SetTmEllipsoid(double da, double df);

    // Outputs zone, letter, northing, easting. Returns false (outputs zeroed) when the
    // input is not finite.
    bool LatLonToUtm(double latitude, double longitude, int16_t& zone, char& letter, double& northing,
                     double& easting) const;
    // Bands below "N" (character code below 78) are southern; so is nothing else, so a
    // lower-case letter counts as northern. Returns false (outputs 0) for a zone outside
    // 1..60, non-finite input, a reference that does not converge within
    // kMaxInversePasses passes, or one that lies beyond a pole.
    bool UtmToLatLon(double northing, double easting, int16_t zone, char letter, double& latitude,
                     double& longitude) const;

    bool LatLonToUtm(GeoPosition p, UtmReference& out) const {
        return LatLonToUtm(p.latitude, p.longitude, out.zone, out.letter, out.northing, out.easting);
    }
    bool UtmToLatLon(const UtmReference& r, GeoPosition& out) const {
        return UtmToLatLon(r.northing, r.easting, r.zone, r.letter, out.latitude, out.longitude);
    }

    // Meridian arc length from the equator to latitude phi (radians), metres.
    double MeridianArc(double phi) const;
    // Unscaled northward (x) and eastward (y) distance of (phi, l), l from the central meridian.
    void TmSeries(double phi, double l, double& x, double& y) const;

    // Passes the last UtmToLatLon made (for tests of convergence).
    int lastPasses() const { return lastPasses_; }

    double a() const { return a_; }
    double f() const { return f_; }

private:
    double a_ = 0, f_ = 0, e2_ = 0, ep2_ = 0, e4_ = 0, e6_ = 0, e8_ = 0;
    double A_ = 0, B_ = 0, C_ = 0, D_ = 0, E_ = 0;
    mutable int lastPasses_ = 0;
};

}  // namespace korvance
