#include "audio/Music.h"

#include "audio/Audio.h"
#include "audio/Sound.h"
#include "platform/MusicSynth.h"
#include "shell/Errors.h"

#include <cstdio>
#include <new>

namespace ruzoz {

std::unique_ptr<music::MusicPerformance> musicPerformance;
std::unique_ptr<music::MusicLoader> musicLoader;
std::unique_ptr<music::MusicComposer> musicComposer;
std::shared_ptr<music::MusicTemplate> musicTemplate;
std::shared_ptr<music::MusicStyle> musicStyle;
std::shared_ptr<music::MusicChordMap> musicChordMap;
std::unique_ptr<music::MusicSegment> musicSegment;

namespace {

constexpr double musicTempo = 160.0;
constexpr unsigned musicRepeats = 999;

// Behind PlayMusic(); start-up calls it directly so the replay trace does
// not count the first start.
void StartSegment() {
  if (musicPerformance && musicSegment)
    musicPerformance->PlaySegment(*musicSegment);
}

void SetSegmentRepeats(unsigned repeats) {
  if (musicSegment)
    musicSegment->SetRepeats(repeats);
}

bool Fail(const char *text) {
  errorMessage = text;
  return false;
}

} // namespace

bool ComposeMusic() {
  musicLoader->EnableCache(true);
  musicTemplate = musicLoader->GetObject<music::MusicTemplate>("Template1.tpl");
  if (!musicTemplate)
    return false;
  musicStyle = musicLoader->GetObject<music::MusicStyle>("Style1.sty");
  if (!musicStyle)
    return false;
  musicChordMap = musicLoader->GetObject<music::MusicChordMap>("Chordmap1.cdm");
  if (!musicChordMap)
    return false;
  const int result = musicComposer->ComposeSegmentFromTemplate(
      musicStyle.get(), musicTemplate.get(), 1, musicChordMap.get(), musicSegment);
  if (result != music::composeOk) {
    std::fprintf(stderr, "music: %s\n", musicComposer->LastError().c_str());
    return false;
  }
  musicSegment->SetRepeats(musicRepeats);
  return true;
}

bool InitMusic() {
  if (auto synth = platform::CreateMusicSynth())
    musicPerformance.reset(new (std::nothrow) music::MusicPerformance(std::move(synth)));
  if (!musicPerformance)
    return Fail("Error creating DirectMusicPerformance object");
  musicLoader.reset(new (std::nothrow) music::MusicLoader());
  if (!musicLoader)
    return Fail("Error creating DirectMusicLoader object");
  musicComposer.reset(new (std::nothrow) music::MusicComposer());
  if (!musicComposer)
    return Fail("Error creating DirectMusicComposer object");
  musicPerformance->Init();
  // Without instruments there is no music to play.
  if (!musicPerformance->SetAutoDownload(true))
    return Fail("Error loading music");
  musicPerformance->AddPort(platform::DeviceMusicPort());
  if (!ComposeMusic())
    return Fail("Error loading music");
  audioHooks.playMusic = StartSegment;
  audioHooks.setMusicRepeats = SetSegmentRepeats;
  StartSegment();
  musicSegment->DisableTempo();
  std::unique_ptr<music::TempoMessage> message = musicPerformance->AllocTempoMessage();
  if (!message)
    return true;
  message->tempo = musicTempo;
  message->referenceTime = true;
  musicPerformance->SendTempoMessage(std::move(message));
  return true;
}

void ReleaseMusic() {
  if (musicLoader)
    musicLoader->ClearCache();
  if (musicPerformance) {
    musicPerformance->Stop();
    musicPerformance->CloseDown();
  }
  if (audioHooks.playMusic == StartSegment)
    audioHooks.playMusic = nullptr;
  if (audioHooks.setMusicRepeats == SetSegmentRepeats)
    audioHooks.setMusicRepeats = nullptr;
  musicSegment.reset();
  musicTemplate.reset();
  musicStyle.reset();
  musicChordMap.reset();
  musicComposer.reset();
  musicLoader.reset();
  musicPerformance.reset();
}

} // namespace ruzoz
