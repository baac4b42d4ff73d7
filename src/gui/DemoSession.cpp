#include "gui/DemoSession.h"

namespace korvance {

bool DemoSession::startReceiver() {
    sim_ = std::make_unique<ReceiverSimulator>(SimProfile::New);
    if (!sim_->start()) {
        sim_.reset();
        return false;
    }
    return true;
}

std::string DemoSession::devicePath() const { return sim_ ? sim_->devicePath() : std::string(); }

void DemoSession::receiverPosition(double& latitude, double& longitude) const {
    const ReceiverData d = sim_ ? sim_->data() : BuiltinReceiverData(SimProfile::New);
    latitude = d.track.empty() ? 52.52 : d.track.back().latitude;
    longitude = d.track.empty() ? 13.40 : d.track.back().longitude;
}

void DemoSession::stop() {
    if (sim_) sim_->stop();
    sim_.reset();
}

}  // namespace korvance
