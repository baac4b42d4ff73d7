// The document: what it builds from the settings, the datum name fallback,
// the save-modified question and the close path that stores the settings.

#include <gtest/gtest.h>

#include "app/CKorvanceDoc.h"
#include "geodesy/DisplayDatum.h"
#include "files/TempDir.h"
#include "maps/MapCommands.h"
#include "maps/MapTestUtil.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;

namespace {

struct Fixture {
    MemorySettingsStore store;
    FixedClock clock{1262304000, -32400};
    ScriptedPrompt prompt;
};

}  // namespace

TEST(CKorvanceDoc, FreshStoreGivesTheDefaultsAndTheFirstRoute) {
    Fixture f;
    CKorvanceDoc doc(f.store, f.clock, f.prompt);
    EXPECT_TRUE(doc.fitPending);
    EXPECT_FALSE(doc.newData);
    EXPECT_FALSE(doc.isModified());
    EXPECT_FALSE(doc.trackLogging());
    EXPECT_EQ(doc.trackCapacity(), 0u);
    EXPECT_EQ(doc.timeZoneBias(), -32400);
    EXPECT_EQ(doc.logInterval, 1u);
    EXPECT_EQ(doc.routes().routeName(0), "ROUTE-00");
    EXPECT_EQ(doc.datum().name(), "WGS 84");
    EXPECT_FALSE(doc.maps().hasMap());
}

// The interval comes from the settings; from 1000 on it counts as 1.
TEST(CKorvanceDoc, EffectiveLogInterval) {
    Fixture f;
    f.store.createKey(kSettingsKey);
    f.store.writeDword(kSettingsKey, "LogInterval", 5000);
    CKorvanceDoc doc(f.store, f.clock, f.prompt);
    EXPECT_EQ(doc.logInterval, 5000u);
    const struct { uint32_t set, effective; } cases[] = {{1, 1}, {30, 30}, {999, 999}, {1000, 1}, {30000, 1}};
    for (const auto& c : cases) {
        doc.logInterval = c.set;
        EXPECT_EQ(doc.effectiveLogInterval(), c.effective) << c.set;
    }
}

TEST(CKorvanceDoc, DatumNameReachesTheDocumentOrFallsBack) {
    const Datum fallback(kFallbackDatumName);
    const struct {
        std::string stored;
        std::string expected;
    } cases[] = {
        {"WGS 84", "WGS 84"},
        {"Tokyo", "Tokyo"},
        {"", fallback.name()},
        {std::string(511, 'A'), fallback.name()},  // fits, but no such row
        {std::string(512, 'A'), fallback.name()},  // does not fit the buffer
    };
    for (const auto& c : cases) {
        Fixture f;
        f.store.createKey(kSettingsKey);
        f.store.writeString(kSettingsKey, "DatumName", c.stored);
        CKorvanceDoc doc(f.store, f.clock, f.prompt);
        EXPECT_EQ(doc.datum().name(), c.expected) << c.stored.size();
        // The stored text stays as the user set it.
        EXPECT_EQ(doc.settings().DatumName, c.stored);
    }
    // The buffer counts UTF-16 units: 511 two-byte letters fit, 256 characters
    // outside the basic plane (two units each) do not.
    std::string letters, faces;
    for (int i = 0; i < 511; ++i) letters += "\xC3\xA9";
    for (int i = 0; i < 256; ++i) faces += "\xF0\x9F\x98\x80";
    EXPECT_EQ(DisplayDatumName(letters), letters);
    EXPECT_EQ(DisplayDatumName(faces), kFallbackDatumName);
}

TEST(CKorvanceDoc, SaveModifiedQuestion) {
    const struct {
        bool modified;
        Answer answer;
        bool saveSucceeds;
        bool hasSaveAs;
        bool goOn;
        bool asked;
    } cases[] = {
        {false, Answer::Cancel, false, true, true, false},
        {true, Answer::No, false, true, true, true},
        {true, Answer::Cancel, false, true, false, true},
        {true, Answer::Yes, true, true, true, true},
        {true, Answer::Yes, false, true, false, true},   // cancelled file dialog
        {true, Answer::Yes, false, false, false, true},  // no Save As yet: like a cancelled save
    };
    for (const auto& c : cases) {
        Fixture f;
        f.prompt.addAnswer(c.answer);
        CKorvanceDoc doc(f.store, f.clock, f.prompt);
        doc.setModified(c.modified);
        int saves = 0;
        if (c.hasSaveAs)
            doc.saveAs = [&] {
                ++saves;
                if (c.saveSucceeds) doc.setModified(false);
                return c.saveSucceeds;
            };
        EXPECT_EQ(doc.saveModified(), c.goOn);
        ASSERT_EQ(f.prompt.shown.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(f.prompt.shown[0].text, "Do you wish to save modified?");
            EXPECT_EQ(f.prompt.shown[0].caption, "Confirm");
            EXPECT_EQ(f.prompt.shown[0].buttons, Buttons::YesNoCancel);
        }
        EXPECT_EQ(saves, c.answer == Answer::Yes && c.modified && c.hasSaveAs ? 1 : 0);
    }
}

TEST(CKorvanceDoc, CloseStoresTheSettingsOnceAndTwiceIsHarmless) {
    Fixture f;
    {
        CKorvanceDoc doc(f.store, f.clock, f.prompt);
        doc.settings().PenWidth = 7;
        doc.closeDocument();
        EXPECT_FALSE(doc.isOpen());
        EXPECT_EQ(f.store.readDword(kSettingsKey, "PenWidth"), 7u);
        f.store.writeDword(kSettingsKey, "PenWidth", 9);
        doc.closeDocument();  // already released: nothing is stored again
    }
    EXPECT_EQ(f.store.readDword(kSettingsKey, "PenWidth"), 9u);
    // The destructor alone stores too.
    {
        CKorvanceDoc doc(f.store, f.clock, f.prompt);
        EXPECT_EQ(doc.settings().PenWidth, 9u);
        doc.settings().PenWidth = 3;
    }
    EXPECT_EQ(f.store.readDword(kSettingsKey, "PenWidth"), 3u);
}

// The one place where what a command changed becomes the view's flags, the
// modified flag and a redraw.
TEST(CKorvanceDoc, ApplyTurnsChangesIntoFlagsAndRedraws) {
    using C = Changes;
    const struct {
        const char* what;
        Changes changes;
        bool mapLoaded;
        bool modifiedBefore;
        bool fitPending, newData, modified;
        int redraws;
    } cases[] = {
        {"nothing", C::None, false, true, false, false, true, 0},
        {"track download", C::Track | C::Modified, false, false, true, true, true, 1},
        {"track download over a map", C::Track | C::Modified, true, false, false, true, true, 1},
        {"waypoint text import", C::Waypoints, false, false, true, false, false, 1},
        {"routes over a map", C::Routes | C::Modified, true, false, false, false, true, 1},
        {"open", C::Track | C::Waypoints | C::Routes | C::Saved, false, true, true, true, false, 1},
        {"save", C::Saved, false, true, false, false, false, 0},
        {"map opened", C::MapOpened, false, false, false, true, false, 1},
        {"map discarded", C::MapDiscarded, true, true, true, false, true, 1},
        {"redraw only", C::Redraw, false, false, false, false, false, 1},
    };
    korvance::testing::TempDir dir;
    korvance::testing::makeFlatMap(dir.file("m"), 2, 2, 8, 8, "png");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        CKorvanceDoc doc(f.store, f.clock, f.prompt);
        if (c.mapLoaded) {
            ASSERT_TRUE(OpenMap(doc.maps(), dir.file("m/mapinfo.dat"), doc.settings().MapPath, f.prompt).any());
        }
        doc.maps().SetScrollOrigin(5, 5, ClientRect{0, 0, 4, 4});
        doc.fitPending = false;
        doc.newData = false;
        doc.setModified(c.modifiedBefore);
        int redraws = 0;
        doc.redrawAll = [&] { ++redraws; };
        doc.apply(c.changes);
        EXPECT_EQ(doc.fitPending, c.fitPending);
        EXPECT_EQ(doc.newData, c.newData);
        EXPECT_EQ(doc.isModified(), c.modified);
        EXPECT_EQ(redraws, c.redraws);
        if (c.changes.dataArrived() && c.mapLoaded) {
            EXPECT_EQ(doc.maps().ViewToMapPixel(0, 0), (MapPoint{0, 0}));  // back at the map's corner
        } else if (c.changes.dataArrived()) {
            EXPECT_EQ(doc.maps().originX() + doc.maps().originY(), 0);
        }
    }
}
