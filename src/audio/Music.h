#pragma once
// The music objects of the game: composed at start-up from three files and
// played over and over until shutdown.

#include "audio/MusicComposer.h"
#include "audio/MusicLoader.h"
#include "audio/MusicModel.h"
#include "audio/MusicPerformance.h"

#include <memory>

namespace ruzoz {

// Empty until InitMusic creates them and after ReleaseMusic.
extern std::unique_ptr<music::MusicPerformance> musicPerformance;
extern std::unique_ptr<music::MusicLoader> musicLoader;
extern std::unique_ptr<music::MusicComposer> musicComposer;
extern std::shared_ptr<music::MusicTemplate> musicTemplate;
extern std::shared_ptr<music::MusicStyle> musicStyle;
extern std::shared_ptr<music::MusicChordMap> musicChordMap;
extern std::unique_ptr<music::MusicSegment> musicSegment;

// Loads "Template1.tpl", "Style1.sty" and "Chordmap1.cdm" from the working
// directory and composes musicSegment (999 repeats); false on any failure.
bool ComposeMusic();

} // namespace ruzoz
