// The five settings commands on a document: what each form shows when it
// opens, what OK stores and Cancel leaves, the range checks, and which of
// them refuse while the track log records.

#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "dialogs/DialogCommands.h"
#include "dialogs/SettingsForms.h"
#include "support/DocFixture.h"

using namespace korvance;
using korvance::testing::DocFixture;

TEST(SettingsCommands, RefusedWhileLoggingExceptPenAndMonitor) {
    const struct {
        uint16_t id;
        const char* opens;  // null: nothing opens
    } rows[] = {
        {cmd::Preference, nullptr}, {cmd::GpsOption, nullptr}, {cmd::Alarm, nullptr}, {cmd::Pen, "Pen"},
        {cmd::EditWaypoint, nullptr}, {cmd::EditRoute, nullptr},
    };
    for (const auto& r : rows) {
        DocFixture f;
        f.doc.trackLog().logging = true;
        f.doc.settings().CommLimitBaudrate = 4800;
        DialogCommands commands(f.doc, f.dialogs, f.chooser, f.prompt, f.prompt);
        ASSERT_TRUE(commands.handles(r.id));
        commands.onCommand(r.id);
        EXPECT_EQ(f.dialogs.opened, r.opens ? std::vector<std::string>{r.opens} : std::vector<std::string>{}) << r.id;
        EXPECT_EQ(f.doc.settings().CommLimitBaudrate, 4800u) << r.id;
    }
    // Register NMEA Monitor asks for the program whatever runs.
    DocFixture f;
    f.doc.trackLog().logging = true;
    f.chooser.add("/opt/nmea/NMEAMon.exe");
    DialogCommands commands(f.doc, f.dialogs, f.chooser, f.prompt, f.prompt);
    commands.onCommand(cmd::RegisterNmeaMonitor);
    ASSERT_EQ(f.chooser.calls.size(), 1u);
    EXPECT_EQ(f.chooser.calls[0].start, "");
    ASSERT_EQ(f.chooser.calls[0].filters.size(), 2u);
    EXPECT_EQ(f.chooser.calls[0].filters[0].name, "NMEA Monitor");
    EXPECT_EQ(f.chooser.calls[0].filters[0].pattern, "NMEAMon.exe");
    EXPECT_EQ(f.chooser.calls[0].filters[1].name, "all files");
    EXPECT_EQ(f.chooser.calls[0].filters[1].pattern, "*.*");
    EXPECT_EQ(f.doc.settings().NMEAMonitorPath, "/opt/nmea/NMEAMon.exe");
    // Cancelled, the path stays.
    commands.onCommand(cmd::RegisterNmeaMonitor);
    EXPECT_EQ(f.doc.settings().NMEAMonitorPath, "/opt/nmea/NMEAMon.exe");
}

TEST(SettingsCommands, RangeChecksOnOk) {
    enum Field { LogInterval, CommPort, PenGreen, PenWidth, AlarmDistance };
    const struct {
        Field field;
        const char* text;
        const char* message;  // null: accepted
    } rows[] = {
        {LogInterval, "999", nullptr},
        {LogInterval, "0", "Please enter an integer between 1 and 999."},
        {CommPort, "10", "Please enter an integer between 1 and 9."},
        {PenGreen, "256", "Please enter an integer between 0 and 255."},
        {PenWidth, "0", "Please enter an integer between 1 and 99."},
        {AlarmDistance, "9999999", nullptr},
        {AlarmDistance, "10000000", "Please enter an integer between 0 and 9999999."},
        {AlarmDistance, "12m", "Please enter an integer."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.field << " " << r.text);
        ScriptedPrompt prompt;
        AppSettings settings;
        bool accepted = false;
        if (r.field == LogInterval) {
            auto form = PreferenceForm::from(settings);
            form.logInterval.text = r.text;
            accepted = form.validate(prompt);
        } else if (r.field == CommPort) {
            auto form = GpsSettingForm::open(settings);
            form.commPort.text = r.text;
            accepted = form.validate(prompt);
        } else if (r.field == AlarmDistance) {
            auto form = AlarmForm::from(settings);
            form.distance.text = r.text;
            accepted = form.validate(prompt);
        } else {
            auto form = PenForm::from(settings);
            (r.field == PenGreen ? form.colours[2].green : form.width).text = r.text;
            accepted = form.validate(prompt);
        }
        EXPECT_EQ(accepted, r.message == nullptr);
        EXPECT_EQ(prompt.texts(), r.message ? std::vector<std::string>{r.message} : std::vector<std::string>{});
    }
}

TEST(SettingsCommands, GpsSettingReplacesAnOddBaudRateEvenOnCancel) {
    const struct {
        uint32_t stored;
        bool ok;
        uint32_t after;
        int shownIndex;
    } rows[] = {
        {4800, false, 115200, 0}, {230400, false, 115200, 0}, {20000, false, 20000, 0},
        {38400, false, 38400, 2}, {9600, true, 9600, 5},       {20000, true, 115200, 0},
    };
    for (const auto& r : rows) {
        DocFixture f;
        f.doc.settings().CommLimitBaudrate = r.stored;
        f.doc.settings().GPSModel = "GPS12XL(2)";
        const bool ok = r.ok;
        f.dialogs.gpsSettings.push_back([ok](GpsSettingForm& form) {
            form.model = 4;  // GPS12XLJ
            form.commPort.text = "3";
            return ok;
        });
        onGpsSetting(f.doc, f.dialogs);
        const AppSettings& s = f.doc.settings();
        EXPECT_EQ(s.CommLimitBaudrate, r.after) << r.stored;
        const GpsSettingForm& shown = f.dialogs.gpsSettingsShown.at(0);
        EXPECT_EQ(shown.baudRate, r.shownIndex) << r.stored;
        EXPECT_EQ(shown.baudRates, (std::vector<std::string>{"115200", "57600", "38400", "19200", "14400", "9600"}));
        EXPECT_EQ(shown.models.size(), 15u);
        EXPECT_EQ(shown.model, 3) << r.stored;
        EXPECT_EQ(shown.commPort.text, "1");
        EXPECT_EQ(s.GPSModel, r.ok ? "GPS12XLJ" : "GPS12XL(2)") << r.stored;
        EXPECT_EQ(s.GPSModelID, r.ok ? 105 : -1) << r.stored;
        EXPECT_EQ(s.GPSCharSet, r.ok ? 2u : 1u) << r.stored;
        EXPECT_EQ(s.CommPort, r.ok ? 3u : 1u) << r.stored;
    }
}

TEST(SettingsCommands, PreferenceWithAnotherDatum) {
    for (bool ok : {false, true}) {
        DocFixture f;
        f.addWaypoints(2);
        const auto before = f.doc.waypoints().records();
        f.dialogs.preferences.push_back([ok](PreferenceForm& form) {
            EXPECT_EQ(form.datumNames.size(), 124u);
            EXPECT_EQ(form.datumName(), "WGS 84");
            EXPECT_EQ(form.units, (std::vector<std::string>{"Metric", "Statute", "Nautical"}));
            EXPECT_EQ(form.logInterval.text, "1");
            EXPECT_EQ(form.nmeaSentence, "RMC");
            EXPECT_TRUE(form.saveOnlyValidNmea);
            EXPECT_TRUE(form.autoMapChange);
            for (size_t i = 0; i < form.datumNames.size(); ++i)
                if (form.datumNames[i] == "Tokyo") form.datum = static_cast<int>(i);
            form.unit = 2;
            form.logInterval.text = "30";
            form.nmeaSentence = "RMC;GGA";
            form.coordinateUtm = true;
            form.saveOnlyValidNmea = false;
            return ok;
        });
        EXPECT_EQ(onPreference(f.doc, f.dialogs).any(), ok);
        const AppSettings& s = f.doc.settings();
        EXPECT_EQ(f.doc.datum().name(), ok ? "Tokyo" : "WGS 84");
        EXPECT_EQ(s.DatumName, ok ? "Tokyo" : "WGS 84");
        EXPECT_EQ(s.Unit, ok ? 2u : 0u);
        EXPECT_EQ(s.LogInterval, ok ? 30u : 1u);
        EXPECT_EQ(f.doc.logInterval, ok ? 30u : 1u);
        EXPECT_EQ(s.NMEASentence, ok ? "RMC;GGA" : "RMC");
        EXPECT_EQ(s.CoordinateUTM, ok ? 1u : 0u);
        EXPECT_EQ(s.SaveOnlyValidNMEA, ok ? 0u : 1u);
        // The projection follows the new ellipsoid (Bessel: a = 6377397.155).
        EXPECT_NEAR(f.doc.transverseMercator().a(), ok ? 6377397.155 : 6378137.0, 1e-3);
        // Positions already held keep their numbers.
        EXPECT_EQ(f.doc.waypoints().records(), before);
        EXPECT_FALSE(f.doc.isModified());
    }
}
