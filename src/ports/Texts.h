#pragma once
// Every text the player sees, in one table, and the one error channel of
// start-up (and of a failed sound restore during play): a pointer to one of
// these texts, null when there is none. ShutDown shows and clears it.

namespace ruzoz {

extern const char *errorMessage;

namespace texts {

// The window's title and the error box's caption.
inline constexpr const char *windowTitle = "Ruzoz - Odedozida";

// Start-up failures, in the order of the steps that store them.
inline constexpr const char *windowClassFailed = "Error Registering Window Class";
inline constexpr const char *windowFailed = "Error Creating Window";
inline constexpr const char *rendererFailed = "DirectDrawCreate FAILED";
inline constexpr const char *fullScreenFailed = "SetCooperativeLevel FAILED";
inline constexpr const char *displayModeFailed = "Error Setting Display Mode";
inline constexpr const char *surfaceFailed = "CreateSurface FAILED";
inline constexpr const char *imageFailed = "Error Loading Image";
inline constexpr const char *soundDeviceFailed = "DirectSoundCreate FAILED";
inline constexpr const char *soundFormatFailed = "SetCooperativeLevel FAILED";
inline constexpr const char *bufferFailed = "CreateBuffer FAILED";
inline constexpr const char *soundFailed = "Error Loading Sound";
inline constexpr const char *synthFailed = "Error creating DirectMusicPerformance object";
inline constexpr const char *musicLoaderFailed = "Error creating DirectMusicLoader object";
inline constexpr const char *composerFailed = "Error creating DirectMusicComposer object";
inline constexpr const char *musicFailed = "Error loading music";

// Drawn in the bitmap font: 8-bit strings that end at "~".
inline constexpr const char *highScoreLabel = "Punktrekord:~";
inline constexpr const char *startPrompt = "Start ->    Leertaste~";
inline constexpr const char *storyPrompt = "Infos -> Eingabetaste~";
inline constexpr const char *ufosLabel = "U F O S :~";
inline constexpr const char *pointsLabel = "Punkte :~";
inline constexpr const char *shieldLabel = "Schild :~";
inline constexpr const char *ammoLabel = "Munition :~";
inline constexpr const char *levelLabel = "Level :~";
inline constexpr const char *victoryLabel = "Sieg !!~";

} // namespace texts
} // namespace ruzoz
