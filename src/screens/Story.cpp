#include "screens/Screens.h"

namespace ruzoz {

// Forty cells each, so every line spans the full screen width.
const char *const storyLines[storyLineCount] = {
    "Nachdem die Menschheit es endlich ge-   ~", "schafft hatte, die Grenzen des Sonnen-  ~",
    "systems zu ueberwinden, sandte sie ihre ~", "ersten Siedler hinaus zu den Sternen.   ~",
    " Doch in der Tiefe des Alls lauerte ein ~", "uralter Feind: die Odedozida, ein Volk  ~",
    "von Eroberern, das in sechzehn Sektoren ~", "herrscht und keine Fremden duldet.      ~",
    " Ohne Warnung griffen ihre Schwaerme die~", "Kolonien an. Eine Welt nach der anderen ~",
    "verstummte, und nun stehen ihre Flotten ~", "schon kurz vor der Erde.                ~",
    " Du fliegst die RUZOZ, den letzten Jae- ~", "ger der Raumflotte. Sein Strahl vernich-~",
    "tet jedes Schiff mit einem Treffer, doch~", "die Munition an Bord ist knapp.         ~",
    " Saeubere alle sechzehn Sektoren. Meide ~", "Meteoriten, Asteroiden und gluehende La-~",
    "va, sammle Munition und Schildenergie   ~", "und weiche den Schuessen der Feinde aus.~",
    " Nur wenn der letzte Sektor befreit ist,~", "hat die Menschheit noch eine Zukunft.   ~",
    "    DIE WELT ZAEHLT AUF DICH ! ! ! !    ~",
};

const char *const creditLine = "Ein Spiel des Ruzoz-Teams (c) 2026~";

} // namespace ruzoz
