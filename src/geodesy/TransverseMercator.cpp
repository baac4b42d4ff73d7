#include "geodesy/TransverseMercator.h"

#include <cmath>

namespace korvance {

void TransverseMercator::SetTmEllipsoid(double da, double df) {
    a_ = 6378137.0 - da;
    f_ = 0.0033528106710763545 - df;  // 1/298.257223 - df
    e2_ = 2.0 * f_ - f_ * f_;
    ep2_ = e2_ / (1.0 - e2_);
    e4_ = e2_ * e2_;
    e6_ = e4_ * e2_;
    e8_ = e6_ * e2_;
    const double aw = a_ * (1.0 - e2_);
    A_ = aw * (1.0 + 3.0 / 4.0 * e2_ + 45.0 / 64.0 * e4_ + 175.0 / 256.0 * e6_ + 11025.0 / 16384.0 * e8_);
    B_ = aw * (3.0 / 4.0 * e2_ + 15.0 / 16.0 * e4_ + 525.0 / 512.0 * e6_ + 2205.0 / 2048.0 * e8_);
    C_ = aw * (15.0 / 64.0 * e4_ + 105.0 / 256.0 * e6_ + 2205.0 / 4096.0 * e8_);
    D_ = aw * (35.0 / 512.0 * e6_ + 315.0 / 2048.0 * e8_);
    E_ = aw * (315.0 / 16384.0 * e8_);
}

double TransverseMercator::MeridianArc(double phi) const {
    return A_ * phi - B_ / 2.0 * std::sin(2.0 * phi) + C_ / 4.0 * std::sin(4.0 * phi) -
           D_ / 6.0 * std::sin(6.0 * phi) + E_ / 8.0 * std::sin(8.0 * phi);
}

void TransverseMercator::TmSeries(double phi, double l, double& x, double& y) const {
    const double sphi = std::sin(phi), cphi = std::cos(phi);
    const double t2 = sphi * sphi / (cphi * cphi);
    const double t4 = t2 * t2;
    const double eta2 = ep2_ * cphi * cphi;
    const double eta4 = eta2 * eta2;
    const double n = (a_ / (1.0 - f_)) / std::sqrt(1.0 + eta2);
    const double c3 = cphi * cphi * cphi, c5 = c3 * cphi * cphi;
    const double l2 = l * l, l3 = l2 * l, l4 = l3 * l, l5 = l4 * l, l6 = l5 * l;
    x = MeridianArc(phi) + n * cphi * sphi * l2 / 2.0 +
        (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4) * n * c3 * sphi * l4 * 0.041666666666666664 +
        (61.0 - 58.0 * t2 + t4) * n * c5 * sphi * l6 * 0.001388888888888889;
    y = n * cphi * l + (1.0 - t2 + eta2) * n * c3 * l3 * 0.16666666666666666 +
        (5.0 - 18.0 * t2 + t4) * n * c5 * l5 * 0.008333333333333333;
}

bool TransverseMercator::LatLonToUtm(double latitude, double longitude, int16_t& zone, char& letter,
                                     double& northing, double& easting) const {
    zone = 0;
    letter = 'N';
    northing = easting = 0.0;
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return false;

    // Zone = floor((longitude + 180) / 6) mod 60 + 1, taken on the longitude brought
    // into 0..360 first so that no huge value reaches an integer conversion.
    double turned = std::fmod(longitude + 180.0, 360.0);
    if (turned < 0.0) turned += 360.0;
    const int z = static_cast<int>(std::floor(turned / 6.0)) % 60 + 1;
    zone = static_cast<int16_t>(z);

    double band = std::floor(latitude / 8.0) + 10.0;
    band = band < 0.0 ? 0.0 : (band > 19.0 ? 19.0 : band);
    letter = kUtmBandLetters[static_cast<int>(band)];

    // The offset from the central meridian is brought into -180..180, so that 180
    // and -180 (both zone 1) give the same grid reference.
    double offset = std::fmod(longitude - (z * 6 - 183), 360.0);
    if (offset > 180.0) offset -= 360.0;
    if (offset < -180.0) offset += 360.0;
    const double l = offset * kDegreeFactor;
    const double phi = latitude * kDegreeFactor;

    double x = 0.0, y = 0.0;
    TmSeries(phi, l, x, y);
    northing = x * kScale;
    if (northing < 0.0) northing += kFalseNorthing;
    easting = y * kScale + kFalseEasting;
    return std::isfinite(northing) && std::isfinite(easting);
}

bool TransverseMercator::UtmToLatLon(double northing, double easting, int16_t zone, char letter, double& latitude,
                                     double& longitude) const {
    latitude = longitude = 0.0;
    lastPasses_ = 0;
    if (zone < 1 || zone > 60 || !std::isfinite(northing) || !std::isfinite(easting)) return false;

    const double tolerance = kDegreeFactor * 2.777777777777778e-8;  // 0.0001 arc-second
    if (static_cast<unsigned char>(letter) < 'N') northing -= kFalseNorthing;
    const double X = northing * kInverseScale;
    const double Y = (easting - kFalseEasting) * kInverseScale;
    const double n0 = a_ / (1.0 - f_);

    double phi = X / A_;
    double cphi = std::cos(phi);
    double eta2 = ep2_ * cphi * cphi;
    double n = n0 / std::sqrt(1.0 + eta2);
    double l = Y / n / cphi;

    double dphi = 1.0, dl = 1.0;
    int passes = 0;
    while (!(std::fabs(dphi) <= tolerance && std::fabs(dl) <= tolerance)) {
        if (passes >= kMaxInversePasses || !std::isfinite(phi) || !std::isfinite(l)) {
            lastPasses_ = passes;
            return false;
        }
        double x = 0.0, y = 0.0;
        TmSeries(phi, l, x, y);
        dphi = (X - x) / A_;
        cphi = std::cos(phi);
        eta2 = ep2_ * cphi * cphi;
        n = n0 / std::sqrt(1.0 + eta2);
        dl = (Y - y) / n / cphi;
        phi += dphi;
        l += dl;
        ++passes;
    }
    lastPasses_ = passes;
    const double lat = phi / kDegreeFactor;
    const double lon = l / kDegreeFactor + (zone * 6 - 183);
    // A northing beyond the pole converges to a "latitude" above 90 degrees.
    if (!std::isfinite(lat) || !std::isfinite(lon) || std::fabs(lat) > 90.0) return false;
    latitude = lat;
    longitude = lon;
    return true;
}

}  // namespace korvance
