#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LinkFixture.h"
#include "garmin/Identification.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/AppSettings.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

Frame arrayFrame(std::initializer_list<std::pair<char, int>> entries, size_t extraBytes = 0) {
    std::vector<uint8_t> d;
    for (auto [tag, n] : entries) {
        d.push_back(static_cast<uint8_t>(tag));
        d.push_back(static_cast<uint8_t>(n));
        d.push_back(static_cast<uint8_t>(n >> 8));
    }
    d.resize(d.size() + extraBytes, 'X');
    return makeFrame(253, d);
}

}  // namespace

TEST(ProtocolArray, EveryCompleteEntryIsRead) {
    // A whole array is read through the simulator's (Identification.Outcomes).
    // Without track entries the track types stay 4300 / 4310; a partial entry is ignored.
    auto q = ParseProtocolArray(arrayFrame({{'A', 100}, {'D', 103}, {'A', 200}, {'D', 201}, {'D', 103}}, 2));
    EXPECT_EQ(q.trackPointType, 4300);
    EXPECT_EQ(q.trackHeaderType, 4310);
    EXPECT_EQ(q.waypointType, 4103);
    EXPECT_FALSE(q.routeLinks);

    // Tags other than D and numbers outside the ranges are ignored; later entries win.
    auto r = ParseProtocolArray(arrayFrame({{'D', 109}, {'X', 110}, {'D', 107}, {'D', 210}, {'D', 202}, {'D', -5}}));
    EXPECT_EQ(r.waypointType, 4107);
    EXPECT_EQ(r.routeHeaderType, 4202);
    EXPECT_FALSE(SupportedWaypointType(r.waypointType));
}

struct IdentifyCase {
    const char* what;
    SimProfile profile;
    int32_t modelId;
    int32_t modelWaypointType;
    std::vector<Answer> answers;
    bool goesOn;
    std::vector<std::string> shown;
};

TEST(Identification, Outcomes) {
    const IdentifyCase cases[] = {
        {"array receiver, any model", SimProfile::New, 87, 4103, {}, true, {}},
        {"no array, Other Garmin", SimProfile::Old, -1, -1, {}, false, {kMsgUnsupportedProtocol}},
        {"no array, matching model", SimProfile::Old, 77, 4103, {}, true, {}},
        {"no array, other model, yes", SimProfile::Old, 87, 4103, {Answer::Yes}, true, {kMsgMismatchGpsType}},
        {"no array, other model, no", SimProfile::Old, 87, 4103, {Answer::No}, false, {kMsgMismatchGpsType}},
    };
    for (const auto& c : cases) {
        ReceiverSimulator sim(c.profile);
        ASSERT_TRUE(sim.start());
        FixedClock clock;
        GarminLink link(quickOptions(), &clock);
        ASSERT_TRUE(link.OpenPort(sim.devicePath()));
        AppSettings s;
        s.GPSModelID = c.modelId;
        s.CommLimitBaudrate = 300;  // outside 9600..115200: mended to 115200
        ScriptedPrompt prompt(c.answers);
        ProductInfo info;
        EXPECT_EQ(IdentifyReceiver(link, s, c.modelWaypointType, prompt, &info), c.goesOn) << c.what;
        EXPECT_EQ(prompt.texts(), c.shown) << c.what;
        EXPECT_EQ(s.CommLimitBaudrate, 115200u) << c.what;
        EXPECT_EQ(prompt.waitCount, 1) << c.what;
        EXPECT_EQ(prompt.waitDepth, 0) << c.what;
        EXPECT_EQ(info.productId, sim.productId()) << c.what;
        if (c.profile == SimProfile::New) {  // its array ends with the track entries: they must not be lost
            EXPECT_EQ(link.protocolMark, 0);
            EXPECT_EQ(link.waypointType, 4108);
            EXPECT_EQ(link.routeHeaderType, 4201);
            EXPECT_EQ(link.trackPointType, 4301);
            EXPECT_EQ(link.trackHeaderType, 4310);
            EXPECT_TRUE(link.routeLinks);
            EXPECT_TRUE(info.protocolArray);
        }
        if (c.goesOn && c.profile == SimProfile::Old) {
            EXPECT_EQ(link.waypointType, 4103);
            EXPECT_FALSE(link.routeLinks);
        }
        // Two product requests when the first succeeded.
        auto ids = sim.receivedIds();
        EXPECT_EQ(std::count(ids.begin(), ids.end(), 254), c.modelId == -1 && c.profile == SimProfile::Old ? 1 : 2)
            << c.what;
    }
}

TEST(Identification, SilentReceiverIsACommunicationError) {
    ReceiverSimulator sim(SimProfile::New);
    sim.setFaults({0, 0, 0});
    ASSERT_TRUE(sim.start());
    FixedClock clock;
    GarminLink link(quickOptions(2), &clock);
    ASSERT_TRUE(link.OpenPort(sim.devicePath()));
    AppSettings s;
    ScriptedPrompt prompt;
    EXPECT_FALSE(IdentifyReceiver(link, s, -1, prompt));
    EXPECT_EQ(prompt.texts(),
              std::vector<std::string>{std::string(kMsgCommunicationError) + "\nNo answer on " + sim.devicePath() + "."});
    ASSERT_NE(prompt.last(), nullptr);
    EXPECT_EQ(prompt.last()->icon, Icon::Stop);
}

namespace {

// A receiver that answers every product request with the given frames at once.
class ScriptedReceiver {
public:
    explicit ScriptedReceiver(std::vector<Frame> answer) : answer_(std::move(answer)) {
        thread_ = std::thread([this] {
            FrameDecoder dec;
            uint8_t buf[512];
            while (!stop_) {
                size_t n = pty_.read(buf, sizeof buf, 20);
                for (size_t i = 0; i < n; ++i) {
                    if (!dec.feed(buf[i]) || frameId(dec.frame()) != 254) continue;
                    std::vector<uint8_t> w = stuffFrame(makeFrame(6, {254, 0}));
                    for (const auto& f : answer_) {
                        auto s = stuffFrame(f);
                        w.insert(w.end(), s.begin(), s.end());
                    }
                    pty_.writeAll(w.data(), w.size());
                }
            }
        });
    }
    ~ScriptedReceiver() {
        stop_ = true;
        thread_.join();
    }
    const std::string& path() const { return pty_.slavePath(); }

private:
    PseudoTerminal pty_;
    std::vector<Frame> answer_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

Frame product(uint16_t id) { return makeFrame(255, {uint8_t(id), uint8_t(id >> 8), 100, 0, 'X', 0}); }

}  // namespace

TEST(Identification, ArraysAndChatter) {
    struct Row {
        const char* what;
        std::vector<Frame> answer;
        int result;
        int32_t mark;
    };
    std::vector<Frame> chatter = {product(500)};
    for (int i = 0; i < 80; ++i) chatter.push_back(makeFrame(248, {'x', 0}));  // more product text, never an array
    const Row rows[] = {
        {"D109 and D202", {product(300), arrayFrame({{'A', 100}, {'D', 109}, {'A', 201}, {'D', 202}, {'D', 109}, {'D', 210}})}, 0, 0},
        {"no route header type", {product(300), arrayFrame({{'A', 100}, {'D', 108}})}, -2, -1},
        {"extra product text before the array", {product(300), makeFrame(248, {'x', 0}), arrayFrame({{'D', 110}, {'D', 201}})}, 0, 0},
        {"a receiver that chatters without end", chatter, -2, -1},
    };
    for (const auto& r : rows) {
        ScriptedReceiver rx(r.answer);
        FixedClock clock;
        GarminLink link(quickOptions(50), &clock);
        ASSERT_TRUE(link.OpenPort(rx.path()));
        SeedLink(link, -1, -1, 0, false);
        ProductInfo info;
        EXPECT_EQ(RequestProduct(link, info), r.result) << r.what;
        EXPECT_EQ(link.protocolMark, r.mark) << r.what;
        EXPECT_EQ(info.description, "X") << r.what;
    }
}
