#pragma once

#include <QByteArray>

// The controller's sound flag: on after construction, then the stored "SoundEnabled" setting; turned
// off for the length of a press animation and by the settings window.
class SoundSwitch {
public:
    void EnableSound(bool enabled) { mEnabled = enabled; }
    bool SoundEnabled() const { return mEnabled; }

private:
    bool mEnabled = true;
};

// The switch PlaySoundBytes consults. The controller registers the switch it owns and clears it
// (nullptr) before the switch goes away. Without a registered switch no sound plays.
void SetSoundSwitch(const SoundSwitch* soundSwitch);
const SoundSwitch* RegisteredSoundSwitch();

// Plays a complete in-memory WAV image in the background when the registered switch is on; returns
// at once. A new sound cuts off the one still playing; a sound that cannot be played is skipped
// silently.
void PlaySoundBytes(const QByteArray& wav);
