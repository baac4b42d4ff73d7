#include "qtplatform/QtSound.h"

#include <QFileInfo>
#include <QAudioDevice>
#include <QMediaDevices>

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

QtSound::~QtSound() = default;

bool QtSound::play(const std::string& wavPath) {
    const QUrl url = alarmSourceFor(wavPath);
    effect_->stop();
    if (effect_->source() != url) effect_->setSource(url);
    if (QMediaDevices::audioOutputs().isEmpty()) return false;
    effect_->play();
    return true;
}

QUrl QtSound::source() const { return effect_->source(); }

}  // namespace korvance
