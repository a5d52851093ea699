// --project: the design a project file holds, printed by the mode that
// prints such a design from typed options, so the two never differ.
#include "project.h"
#include "cli.h"

#include <charconv>

namespace {

std::string ProjectErrorEnglish(const EProjectError& e) {
    switch (e.Code) {
    case TProjectFault::Unreadable:
        return "cannot be read";
    case TProjectFault::NotJson:
        return "is not a Pentarix project, or it is damaged or cut short";
    case TProjectFault::NotAProject:
        return "is not a Pentarix project";
    case TProjectFault::NewerVersion:
        return "was written by a newer Pentarix (format " + std::to_string(e.Version) +
               "); this version reads format " + std::to_string(ProjectFormatVersion);
    case TProjectFault::BadValue:
        break;
    }
    return "is damaged: a bad value of '" + e.Key + "'";
}

// The shortest text that reads back as the same double.
std::string Exact(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// The line as --line takes it: the catalogue's name, or Z0, VF and its points.
std::string LineOption(const TLine& line) {
    if (!line.Name.empty()) return line.Name;
    std::string text = Exact(line.Z0) + "," + Exact(line.VF);
    for (const TLossPoint& p : line.Points)
        text += "," + Exact(p.DbPer100m()) + "@" + Exact(p.FrequencyMHz);
    return text;
}

} // namespace

int RunProject(const TCliArgs& args, std::ostream& out) {
    const std::string& path = args.Text("--project");
    TDesignState s;
    try {
        s = ReadProjectFile(QString::fromStdString(path));
    } catch (const EProjectError& e) {
        throw ECliError(path + ": " + ProjectErrorEnglish(e));
    }
    TCliArgs design = args;
    design.Remove("--project");
    design.Set("--z0", Exact(s.Options.Z0));
    design.Set("--ql", Exact(s.Options.Q.Coil));
    design.Set("--qc", Exact(s.Options.Q.Capacitor));
    design.Set("--power", Exact(s.Options.PowerW));
    design.Set("--series", SeriesName(s.Options.Series));
    // The line takes part while its window was open; for a single load also
    // once the load was moved by it ("Použít jako zátěž"): then the antenna
    // is given and the line moves it again to the tuner's end the design holds.
    const bool moved = s.Step.Antenna.has_value() && !s.Measured;
    if (moved || s.LineInUse) {
        design.Set("--line", LineOption(s.Feed.Line));
        design.Set("--length", Exact(s.Feed.LengthM));
        const bool atShack = s.Feed.Point == TPointAt::Shack && !moved;
        design.Set("--at", atShack ? "shack" : "antenna");
        design.Set("--tuner", s.Feed.Tuner == TTunerAt::Antenna ? "antenna" : "shack");
    }
    if (s.Measured) {
        design.Set("--touchstone", path);
        design.Measurement = std::make_shared<const TTouchstone>(std::move(*s.Measured));
        return RunTouchstone(design, out);
    }
    if (!s.Step.Load)
        throw ECliError(path + ": the project holds neither a load nor a measurement");
    const TLoad& load = moved ? *s.Step.Antenna : *s.Step.Load;
    design.Set("-f", Exact(s.Step.FrequencyMHz));
    design.Set("-r", Exact(load.R));
    design.Set("-x", Exact(load.X));
    return RunSingle(design, out);
}
