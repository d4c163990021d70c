#pragma once
// Every text the player sees, in one table, and the one error channel of
// start-up (and of a failed sound restore during play): a pointer to one of
// these texts, null when there is none. ShutDown shows and clears it.

namespace ruzoz {

extern const char *errorMessage;

namespace texts {

// The window's title and the error box's caption.
inline constexpr char windowTitle[] = "Ruzoz - Odedozida";

// Start-up failures, in the order of the steps that store them.
inline constexpr char windowClassFailed[] = "Error Registering Window Class";
inline constexpr char windowFailed[] = "Error Creating Window";
inline constexpr char rendererFailed[] = "DirectDrawCreate FAILED";
inline constexpr char fullScreenFailed[] = "SetCooperativeLevel FAILED";
inline constexpr char displayModeFailed[] = "Error Setting Display Mode";
inline constexpr char surfaceFailed[] = "CreateSurface FAILED";
inline constexpr char imageFailed[] = "Error Loading Image";
inline constexpr char soundDeviceFailed[] = "DirectSoundCreate FAILED";
inline constexpr char soundFormatFailed[] = "SetCooperativeLevel FAILED";
inline constexpr char bufferFailed[] = "CreateBuffer FAILED";
inline constexpr char soundFailed[] = "Error Loading Sound";
inline constexpr char synthFailed[] = "Error creating DirectMusicPerformance object";
inline constexpr char musicLoaderFailed[] = "Error creating DirectMusicLoader object";
inline constexpr char composerFailed[] = "Error creating DirectMusicComposer object";
inline constexpr char musicFailed[] = "Error loading music";

// Said after a failure's text, in brackets, where the player can mend it.
inline constexpr char noDisplayNote[] =
    "no display found: neither DISPLAY nor WAYLAND_DISPLAY is set";
inline constexpr char noSoundNote[] =
    "no sound device could be opened; start with --nosound to play without sound";

// Drawn in the bitmap font: 8-bit strings that end at "~".
inline constexpr char highScoreLabel[] = "Punktrekord:~";
inline constexpr char startPrompt[] = "Start ->    Leertaste~";
inline constexpr char storyPrompt[] = "Infos -> Eingabetaste~";
inline constexpr char ufosLabel[] = "U F O S :~";
inline constexpr char pointsLabel[] = "Punkte :~";
inline constexpr char shieldLabel[] = "Schild :~";
inline constexpr char ammoLabel[] = "Munition :~";
inline constexpr char levelLabel[] = "Level :~";
inline constexpr char victoryLabel[] = "Sieg !!~";

} // namespace texts
} // namespace ruzoz
