#include "qtplatform/QtSound.h"

#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace korvance {

QUrl alarmSourceFor(const std::string& configuredPath) {
    const QString path = QString::fromStdString(configuredPath).replace('\\', '/');
    if (!path.isEmpty()) {
        const QFileInfo info(path);
        if (info.isFile() && info.isReadable()) return QUrl::fromLocalFile(info.absoluteFilePath());
    }
    return QUrl(QString::fromLatin1(kBuiltInAlarm));
}

QtSound::QtSound() : effect_(std::make_unique<QSoundEffect>()) {
    // A file that is there but no WAV Qt can play still sounds an alarm.
    QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(), [e = effect_.get()] {
        const QUrl builtIn(QString::fromLatin1(kBuiltInAlarm));
        if (e->status() == QSoundEffect::Error && e->source() != builtIn) {
            e->setSource(builtIn);
            e->play();
        }
    });
}

QtSound::~QtSound() {
    // Qt Multimedia decodes a sound on a thread of its own and can deadlock
    // at exit when the program ends in the middle of that; let it finish.
    if (effect_->status() != QSoundEffect::Loading) return;
    QEventLoop wait;
    QObject::connect(effect_.get(), &QSoundEffect::statusChanged, &wait, &QEventLoop::quit);
    QTimer::singleShot(2000, &wait, &QEventLoop::quit);
    if (effect_->status() == QSoundEffect::Loading) wait.exec();
}

bool QtSound::play(const std::string& wavPath) {
    source_ = alarmSourceFor(wavPath);
    // Without an output there is nothing to decode the sound for; said once,
    // after whatever the sound system printed on its own.
    if (QMediaDevices::audioOutputs().isEmpty()) {
        if (!toldSilent_) std::fprintf(stderr, "korvance: no sound output found; the alarm is not heard\n");
        toldSilent_ = true;
        return false;
    }
    effect_->stop();
    if (effect_->source() != source_) effect_->setSource(source_);
    effect_->play();
    return true;
}

QUrl QtSound::source() const { return source_; }

}  // namespace korvance
