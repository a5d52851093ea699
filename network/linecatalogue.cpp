// The feed lines hams use, with Z0, velocity factor and matched loss at
// several frequencies as their makers publish them. Each figure is kept in the
// unit its source prints (dB per 100 m or per 100 ft); the fit takes all of a
// row's points. Cables differ between makers and batches: a measured cable
// beats any row.
#include "feedline.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr bool Ft = true, M = false;

struct TEntry {
    const char* Name;
    double Z0, VF;
    std::vector<TLossPoint> Points;
};

const std::vector<TEntry>& Entries() {
    static const std::vector<TEntry> entries = {
        // RG-58C/U: 30 and 150 MHz from Times Microwave's loss calculator as
        // the ARRL prints it (General Class License Manual, table 6-1,
        // dB/100 ft); 432 and 1296 MHz from SSB-Electronic's sheet as the
        // ÖVSV wiki's cable table collects it (dB/100 m). VF 0.66 (solid PE).
        {"RG-58C/U", 50, 0.66, {{30, 2.47, Ft}, {150, 5.63, Ft}, {432, 33.2, M}, {1300, 64.5, M}}},
        // RG-8X: 30 and 150 MHz as for RG-58C/U (dB/100 ft); 10, 50 and
        // 450 MHz from the Santa Clara County ARES/RACES coax table (dB/100 ft).
        // VF 0.78, foam PE, as the makers commonly give it.
        {"RG-8X",
         50,
         0.78,
         {{10, 1.0, Ft}, {30, 1.96, Ft}, {50, 2.3, Ft}, {150, 4.53, Ft}, {450, 8.6, Ft}}},
        // RG-213/U: 30 and 150 MHz as for RG-58C/U (dB/100 ft); 432 and
        // 1296 MHz from SSB-Electronic's sheet via the ÖVSV table (dB/100 m).
        {"RG-213/U", 50, 0.66, {{30, 1.08, Ft}, {150, 2.53, Ft}, {432, 15.8, M}, {1300, 30.0, M}}},
        // RG-174: 30 and 150 MHz as for RG-58C/U; 100 and 1000 MHz as Belden
        // 8216 is listed in the ARRL Antenna Book's line table (dB/100 ft),
        // figures recalled, not checked against the sheet here. Its copper-clad
        // steel centre loses more than √f says below about 10 MHz (the table's
        // 3.3 dB at 10 MHz), which no two-term curve holds: left out.
        {"RG-174", 50, 0.66, {{30, 4.56, Ft}, {100, 8.4, Ft}, {150, 10.3, Ft}, {1000, 34.0, Ft}}},
        // Times Microwave LMR-400 datasheet, dB/100 ft at 30 ... 2500 MHz,
        // velocity 85 %.
        {"LMR-400",
         50,
         0.85,
         {{30, 0.7, Ft}, {150, 1.5, Ft}, {450, 2.7, Ft}, {900, 3.9, Ft}, {2500, 6.8, Ft}}},
        // SSB-Electronic datasheets, dB/100 m at 145, 432, 1300 and 2400 MHz,
        // as the ÖVSV wiki's cable table collects them; the VFs (0.83, 0.85,
        // 0.86) are SSB's published figures as commonly quoted.
        {"Aircell 7", 50, 0.83, {{145, 7.9, M}, {432, 14.1, M}, {1300, 26.1, M}, {2400, 38.0, M}}},
        {"Ecoflex 10", 50, 0.85, {{145, 4.8, M}, {432, 8.9, M}, {1300, 16.5, M}, {2400, 23.1, M}}},
        {"Ecoflex 15", 50, 0.86, {{145, 3.4, M}, {432, 6.1, M}, {1300, 11.4, M}, {2400, 16.0, M}}},
        // H-155: the dealers' commonly published figures (dB/100 m at 144,
        // 432 and 1296 MHz, VF 0.79); not verified against the maker's sheet.
        {"H-155", 50, 0.79, {{144, 9.3, M}, {432, 16.9, M}, {1296, 31.0, M}}},
        // RG-6 and RG-11 as CATV drop cable (foam PE, copper-clad steel
        // centre): the swept-attenuation figures their makers print (e.g.
        // CommScope F660BV and F1160BV), dB/100 ft at 5 ... 1000 MHz, recalled,
        // not checked against the sheets here; VF 0.85. Copper-clad steel loses
        // more than √f says below a few MHz (the sheets' 0.58 and 0.38 dB at
        // 5 MHz), which no two-term curve holds: left out, so HF figures are
        // on the low side for these cables. RG-6's four points grow a little
        // slower than √f: its fit is conductor loss alone (ClampedTerm).
        {"RG-6", 75, 0.85, {{55, 1.60, Ft}, {211, 3.05, Ft}, {750, 5.65, Ft}, {1000, 6.55, Ft}}},
        {"RG-11", 75, 0.85, {{55, 0.96, Ft}, {211, 1.90, Ft}, {750, 3.65, Ft}, {1000, 4.25, Ft}}},
        // The open lines assume a dry line clear of metal and ground; wet or
        // dirty line loses several times more. One point each: their loss at
        // HF is conductor loss, growing with √f.
        // 300-ohm twin lead, 22 AWG: 1.4 dB/100 ft at 100 MHz (Belden catalogue,
        // as W8JI quotes it on TowerTalk, 2004); VF 0.80 of flat PE twin lead.
        {"300-ohm twin lead", 300, 0.80, {{100, 1.4, Ft}}},
        // "450-ohm" window line: sold as 450 ohm, measured at 370 ... 410 ohm; Z0
        // 400 and VF 0.902 of Wireman 551 (N7WS's measurements as AC6LA fits
        // them); 0.328 dB/100 ft at 30 MHz is the skin-effect loss of two 18 AWG
        // copper wires (G3TXQ's calculation).
        {"450-ohm window line", 400, 0.90, {{30, 0.328, Ft}}},
        // 600-ohm open-wire line: two 2 mm copper wires 150 mm apart
        // (276·log10(2D/d) = 600 ohm); 0.19 dB/100 m at 10 MHz is their
        // skin-effect loss, 2·Rs/(π d)/(2 Z0), computed, not measured; VF 0.95
        // allows for the spreaders.
        {"600-ohm open-wire line", 600, 0.95, {{10, 0.19, M}}},
    };
    return entries;
}

// Names hams type for a row that the normalising alone does not reach.
struct TAlias {
    const char* Typed;
    const char* Name;
};
const TAlias Aliases[] = {
    {"RG-58", "RG-58C/U"},
    {"RG-58C", "RG-58C/U"},
    {"Mini-8", "RG-8X"},
    {"twin lead", "300-ohm twin lead"},
    {"window line", "450-ohm window line"},
    {"ladder line", "450-ohm window line"},
    {"open-wire line", "600-ohm open-wire line"},
};

// "RG-213/U", "rg213" and "RG 213" alike: lower case, no blanks or hyphens,
// no "/U" suffix.
std::string NormalLineName(const std::string& name) {
    std::string s;
    for (const unsigned char c : name)
        if (c != ' ' && c != '-' && c != '\t') s += char(std::tolower(c));
    if (s.size() > 2 && s.compare(s.size() - 2, 2, "/u") == 0) s.resize(s.size() - 2);
    return s;
}

} // namespace

const std::vector<TLine>& LineCatalogue() {
    static const std::vector<TLine> lines = [] {
        std::vector<TLine> v;
        for (const TEntry& e : Entries())
            v.push_back(LineOf(e.Z0, e.VF, e.Points, e.Name));
        return v;
    }();
    return lines;
}

TLineLookup LookUpLine(const std::string& name) {
    TLineLookup found;
    std::string wanted = NormalLineName(name);
    if (wanted.empty()) return found;
    for (const TAlias& a : Aliases)
        if (NormalLineName(a.Typed) == wanted) wanted = NormalLineName(a.Name);
    for (const TLine& line : LineCatalogue())
        if (NormalLineName(line.Name) == wanted) {
            found.Line = &line;
            return found;
        }
    for (const TLine& line : LineCatalogue())
        if (NormalLineName(line.Name).rfind(wanted, 0) == 0) found.Candidates.push_back(&line);
    return found;
}

const TLine* FindLine(const std::string& name) {
    return LookUpLine(name).Line;
}
