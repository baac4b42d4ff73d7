#pragma once
// The waypoint alarm through Qt Multimedia. A configured file that is not
// there (the handheld's "\Windows\Alarm1.wav" never is) plays the alarm built
// into the program instead; the setting itself keeps the text the user gave.

#include <QSoundEffect>
#include <QUrl>

#include <memory>
#include <string>

#include "platform/Sound.h"

namespace korvance {

// The built-in alarm, a Qt resource.
inline constexpr const char* kBuiltInAlarm = "qrc:/sounds/alarm.wav";

// What play() plays for a configured path: the file when it exists, else the built-in alarm.
QUrl alarmSourceFor(const std::string& configuredPath);

class QtSound : public Sound {
public:
    QtSound();
    ~QtSound() override;
    bool play(const std::string& wavPath) override;

    // What the last play() chose, whether or not there was an output to play it on.
    QUrl source() const;

private:
    std::unique_ptr<QSoundEffect> effect_;
    QUrl source_;
    bool toldSilent_ = false;
};

}  // namespace korvance
