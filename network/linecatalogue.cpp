// The feed lines hams use, with Z0, velocity factor and matched loss at two
// frequencies (one for the open lines) as their makers publish them. Each
// figure is kept in the unit its source gives it (dB per 100 m or per 100 ft).
// Cables differ between makers and batches: a measured cable beats any row.
#include "feedline.h"

namespace {

constexpr bool Ft = true, M = false;

struct TEntry {
    const char* Name;
    double Z0, VF;
    TLossPoint Points[2];
    int Count;
};

const TEntry Entries[] = {
    // RG-58C/U, RG-8X, RG-174, RG-213/U: Times Microwave's loss calculator,
    // dB/100 ft at 30 and 150 MHz, as the ARRL prints it (General Class
    // License Manual, table 6-1, corrected). VF: the solid-PE 0.66, and the
    // foam-PE 0.78 of RG-8X as the makers commonly give it.
    {"RG-58C/U", 50, 0.66, {{30, 2.47, Ft}, {150, 5.63, Ft}}, 2},
    {"RG-8X", 50, 0.78, {{30, 1.96, Ft}, {150, 4.53, Ft}}, 2},
    {"RG-213/U", 50, 0.66, {{30, 1.08, Ft}, {150, 2.53, Ft}}, 2},
    {"RG-174", 50, 0.66, {{30, 4.56, Ft}, {150, 10.3, Ft}}, 2},
    // Times Microwave LMR-400 datasheet: 0.7 and 1.5 dB/100 ft at 30 and
    // 150 MHz, velocity 85 %.
    {"LMR-400", 50, 0.85, {{30, 0.7, Ft}, {150, 1.5, Ft}}, 2},
    // SSB-Electronic datasheets, dB/100 m at 145 and 432 MHz, as the ÖVSV
    // wiki's cable table collects them; the VFs (0.83, 0.85, 0.86) are SSB's
    // published figures as commonly quoted, not checked against the sheets here.
    {"Aircell 7", 50, 0.83, {{145, 7.9, M}, {432, 14.1, M}}, 2},
    {"Ecoflex 10", 50, 0.85, {{145, 4.8, M}, {432, 8.9, M}}, 2},
    {"Ecoflex 15", 50, 0.86, {{145, 3.4, M}, {432, 6.1, M}}, 2},
    // H-155: the dealers' commonly published figures (dB/100 m at 144 and
    // 432 MHz, VF 0.79); not verified against the maker's datasheet here.
    {"H-155", 50, 0.79, {{144, 9.3, M}, {432, 16.9, M}}, 2},
    // RG-6 and RG-11 (foam PE, solid copper centre, as Belden 1694A and
    // 1523A): well-known published figures in dB/100 ft at 10 and 100 MHz,
    // not verified against the datasheets here. Copper-clad steel centres
    // (CATV drop cable) lose more below a few MHz.
    {"RG-6", 75, 0.82, {{10, 0.8, Ft}, {100, 2.0, Ft}}, 2},
    {"RG-11", 75, 0.84, {{10, 0.5, Ft}, {100, 1.3, Ft}}, 2},
    // The open lines assume a dry line clear of metal and ground; wet or
    // dirty line loses several times more. One point each: their loss at HF
    // is conductor loss, growing with √f.
    // 300-ohm twin lead, 22 AWG: 1.4 dB/100 ft at 100 MHz (Belden catalogue,
    // as W8JI quotes it on TowerTalk, 2004); VF 0.80 of flat PE twin lead.
    {"300-ohm twin lead", 300, 0.80, {{100, 1.4, Ft}, {}}, 1},
    // "450-ohm" window line: sold as 450 ohm, measured at 370 ... 410 ohm; Z0
    // 400 and VF 0.902 of Wireman 551 (N7WS's measurements as AC6LA fits
    // them); 0.328 dB/100 ft at 30 MHz is the skin-effect loss of two 18 AWG
    // copper wires (G3TXQ's calculation).
    {"450-ohm window line", 400, 0.90, {{30, 0.328, Ft}, {}}, 1},
    // 600-ohm open-wire line: two 2 mm copper wires 150 mm apart
    // (276·log10(2D/d) = 600 ohm); 0.19 dB/100 m at 10 MHz is their
    // skin-effect loss, 2·Rs/(π d)/(2 Z0), computed, not measured; VF 0.95
    // allows for the spreaders.
    {"600-ohm open-wire line", 600, 0.95, {{10, 0.19, M}, {}}, 1},
};

} // namespace

const std::vector<TLine>& LineCatalogue() {
    static const std::vector<TLine> lines = [] {
        std::vector<TLine> v;
        for (const TEntry& e : Entries)
            v.push_back(LineOf(e.Z0, e.VF, {e.Points, e.Points + e.Count}, e.Name));
        return v;
    }();
    return lines;
}
