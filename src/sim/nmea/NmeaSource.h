#pragma once
// The NMEA side of the receiver simulator: streams RMC, GGA, GSA, GSV and VTG
// along a track at a given rate over a fresh pseudo-terminal, on a thread of
// its own, optionally with faults (bad checksums, cut lines, over-long lines,
// bursts of line noise, epochs without a fix). It serves the demo,
// `korvance-cli simulate-nmea` and the tests.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/PseudoTerminal.h"
#include "sim/nmea/NmeaSentences.h"

namespace korvance {

struct NmeaFaults {
    int checksumEvery = 0;  // every n-th sentence carries a wrong checksum (0: never)
    int cutEvery = 0;       // every n-th sentence is cut off in the middle, without its line end
    int longEvery = 0;      // every n-th epoch starts with a line of 200 bytes
    int burstEvery = 0;     // every n-th epoch starts with 600 bytes of line noise
    int invalidEvery = 0;   // every n-th epoch's RMC has status "V" (no fix)
};
// "checksum=N,cut=N,long=N,burst=N,invalid=N" (any of them; "" for none).
bool ParseNmeaFaults(const std::string& spec, NmeaFaults& faults, std::string& error);

// Whether epoch `epoch` (0-based) of the source gives a fix that a reader
// should deliver: its RMC is valid and neither its RMC nor its GGA is hit by
// a fault. (Faults on the other sentences do not matter.)
struct NmeaEpochText {
    std::string text;
    bool rmcIntact = false;
    bool ggaIntact = false;
    bool valid = false;
};

// Builds the text of each epoch with the faults applied; deterministic.
class NmeaEpochWriter {
public:
    explicit NmeaEpochWriter(NmeaFaults faults = {}, uint32_t seed = 1) : faults_(faults), random_(seed) {}
    NmeaEpochText epoch(const NmeaTrackPoint& p, int index);
    // Every sentence kind in an epoch, or only RMC and GGA.
    void setAllSentences(bool all) { all_ = all; }

private:
    bool add(NmeaEpochText& out, std::string sentence);

    NmeaFaults faults_;
    std::mt19937 random_;
    uint64_t sentences_ = 0;
    bool all_ = true;
    // A cut sentence has no line end: the text after it joins its line and is lost with it.
    bool swallowNext_ = false;
};

class NmeaSource {
public:
    // `rateHz` epochs a second (each one second of track time); `loop` starts
    // the track again at its end, otherwise the source falls silent.
    NmeaSource(std::vector<NmeaTrackPoint> track, double rateHz = 1.0, NmeaFaults faults = {}, bool loop = true);
    ~NmeaSource();
    NmeaSource(const NmeaSource&) = delete;
    NmeaSource& operator=(const NmeaSource&) = delete;

    // Opens a fresh pseudo-terminal and streams on a thread of its own.
    bool start();
    // Ends the thread; safe to call twice.
    void stop();
    bool running() const { return thread_.joinable(); }
    // The slave's path: give it to the reader as its serial device.
    const std::string& devicePath() const;

    // Waits (at most timeoutMs) until the whole track was written once.
    bool waitFinished(int timeoutMs);
    uint64_t epochsWritten() const;
    // What was written for each epoch of the first pass over the track.
    std::vector<NmeaEpochText> written() const;
    void setAllSentences(bool all) { writer_.setAllSentences(all); }
    // A held source writes nothing until release(): a test holds it until
    // its reader is past the start (NmeaReceiver::waitUntilReading).
    void hold();
    void release();

private:
    void run();

    std::vector<NmeaTrackPoint> track_;
    double rateHz_;
    bool loop_;
    bool held_ = false;
    NmeaEpochWriter writer_;
    std::unique_ptr<PseudoTerminal> pty_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    uint64_t epochs_ = 0;
    std::vector<NmeaEpochText> written_;
};

}  // namespace korvance
