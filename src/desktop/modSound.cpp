#include "modSound.h"

#include "platform/SoundPlayer.h"

namespace {
const SoundSwitch* registeredSwitch = nullptr;
}

void SetSoundSwitch(const SoundSwitch* soundSwitch) {
    registeredSwitch = soundSwitch;
}

const SoundSwitch* RegisteredSoundSwitch() {
    return registeredSwitch;
}

void PlaySoundBytes(const QByteArray& wav) {
    if (!registeredSwitch || !registeredSwitch->SoundEnabled() || wav.isEmpty())
        return;
    SoundPlayer::Instance().Play(wav);
}
