#pragma once
// The display datum of a document together with the projection set up for its
// ellipsoid and the remembered bearing: the geodesy state one document owns.

#include <memory>
#include <string>
#include <string_view>

#include "geodesy/Coordinates.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"

namespace korvance {

// The datum name the document builds its datum from, given the DatumName setting:
// a setting of 512 characters or more does not fit the setting's buffer and is
// replaced by "WGS84" (not a row name, so it selects the fallback row).
std::string DisplayDatumName(std::string_view datumNameSetting);

class DisplayDatum {
public:
    explicit DisplayDatum(std::string_view datumNameSetting) { select(datumNameSetting); }

    // A (possibly new) display datum: a new Datum from the name, and the projection
    // set up again with its da and df. Positions already held keep their numbers.
    void select(std::string_view datumNameSetting) {
        datum_ = std::make_unique<Datum>(DisplayDatumName(datumNameSetting));
        projection_.SetTmEllipsoid(datum_->da(), datum_->df());
    }

    const Datum& datum() const { return *datum_; }
    const TransverseMercator& projection() const { return projection_; }
    BearingMemory& bearing() { return bearing_; }

private:
    std::unique_ptr<Datum> datum_;  // never null
    TransverseMercator projection_;
    BearingMemory bearing_;
};

}  // namespace korvance
