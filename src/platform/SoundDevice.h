#pragma once
// The effects' output on the SDL audio device, and what the event loop
// reports to it.

#include "audio/SoundEffects.h"

union SDL_Event;

namespace ruzoz::platform {

// The default output device, with SDL's converter for the wave formats.
SoundDevice &DefaultSoundDevice();

// The event loop hands over every SDL_AUDIODEVICEREMOVED event: when it
// names the open output, the effect buffers count as lost until the next
// PlaySoundEffect restores them. Other events are ignored.
void NoteAudioDeviceEvent(const SDL_Event &event);

} // namespace ruzoz::platform
