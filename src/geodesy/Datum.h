#pragma once
// The built-in table of 124 datums, the display datum object and the shift of
// positions between WGS 84 and that datum (Molodensky), and the great-circle
// distance measured on the datum's semi-major axis.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/GeoPosition.h"

namespace korvance {

// One row of the datum table. da, df, dx, dy, dz are "WGS 84 minus datum".
struct DatumRow {
    std::string name;           // as shown to the user and stored in DatumName and in files
    std::string ellipsoidName;  // for display and files only; never used for arithmetic
    double da = 0.0;            // metres
    double df = 0.0;            // flattening difference (the table text holds it times 10^4)
    double dx = 0.0;            // metres
    double dy = 0.0;
    double dz = 0.0;
};

// The parsed built-in table, in table order (alphabetical without regard to case).
// Parsed once on first use; constant afterwards.
const std::vector<DatumRow>& DatumTable();

// The constant text the table is parsed from: 124 lines "name,ellipsoid,da,df*1e4,dx,dy,dz".
std::string_view DatumTableText();

// Index of the row whose name equals `name` exactly (byte for byte), or -1.
int FindDatumRow(std::string_view name);

// Up to `count` row names closest to `name` (case-insensitive edit distance, ties in
// table order); for messages that answer a mistyped datum name.
std::vector<std::string> NearestDatumNames(std::string_view name, size_t count = 5);

inline constexpr int kDatumFallbackRow = 116;  // "Tokyo": selected by any unknown name
inline constexpr int kDatumRowCount = 124;

// WGS 84 constants of the shift.
namespace wgs84 {
inline constexpr double a = 6378137.0;
inline constexpr double e2 = 0.0066943799901413165;
inline constexpr double aOneMinusE2 = 6335439.3272928195;
inline constexpr double e2OverA = 1.0495823451489544e-9;
inline constexpr double aOverB = 1.0033640898209764;
inline constexpr double bOverA = 0.9966471893352525;
inline constexpr double degToRad = 0.017453292519944444;  // 3.14159265359 / 180
inline constexpr double radToDeg = 57.29577951307855;     // 180 / 3.14159265359
}  // namespace wgs84

class Datum {
public:
    // Selects the row named `name` exactly; any other name selects the fallback row "Tokyo".
    explicit Datum(std::string_view name);

    // Copies the current row's name, at most capacity - 1 bytes, NUL-terminated; returns
    // the bytes copied. With no buffer, returns the full length and copies nothing.
    size_t GetName(char* buffer, size_t capacity) const;
    size_t GetEllipsoidName(char* buffer, size_t capacity) const;
    // The same for row `index`; an index outside the table returns 0 and copies nothing.
    size_t GetRowName(int index, char* buffer, size_t capacity) const;

    const std::string& name() const { return row_.name; }
    const std::string& ellipsoidName() const { return row_.ellipsoidName; }
    const DatumRow& row() const { return row_; }
    int rowIndex() const { return index_; }
    int rowCount() const { return static_cast<int>(DatumTable().size()); }
    double da() const { return row_.da; }
    double df() const { return row_.df; }

    // WGS 84 position (degrees, metres above the ellipsoid) into this datum.
    // Returns false (outputs still written) when the result is not finite.
    bool FromWgs84(double latitude, double longitude, double height,
                   double& outLatitude, double& outLongitude, double& outHeight) const;
    // A position of this datum into WGS 84.
    bool ToWgs84(double latitude, double longitude, double height,
                 double& outLatitude, double& outLongitude, double& outHeight) const;

    GeoPosition FromWgs84(GeoPosition p, double height = 0.0) const;
    GeoPosition ToWgs84(GeoPosition p, double height = 0.0) const;

    // Great-circle distance in kilometres on a sphere of the datum's semi-major axis.
    // Exactly 0 for identical positions.
    double DistanceKm(double latitude1, double longitude1, double latitude2, double longitude2) const;
    double DistanceKm(GeoPosition p1, GeoPosition p2) const {
        return DistanceKm(p1.latitude, p1.longitude, p2.latitude, p2.longitude);
    }

private:
    DatumRow row_;
    int index_ = kDatumFallbackRow;
};

}  // namespace korvance
