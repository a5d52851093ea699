// pentarix-match: L networks for a load, from the command line.
#include "cli.h"
#include "output.h"

#include <algorithm>
#include <iostream>
#include <sstream>

namespace {

const char* const UsageLine = "Usage: pentarix-match -f MHZ -r OHMS -x OHMS [options]\n";
const char* const Usage =
    R"USAGE(
Every two-element L network that matches the load R + jX to the reference
impedance at the frequency; the network the chart draws comes first (marked *).
"std series" and "std shunt" are the designed parts rounded to the standard
series, "std SWR" what those present; "worst SWR" is the highest SWR of the
four corners of the series' tolerance (each part at its value +- the
tolerance); "SWR(Q)" is what the designed values present with the coil's and
the capacitor's Q.

  -f MHZ            frequency in MHz, 0.001 to 100000 (1 kHz to 100 GHz)
  -r OHMS           load resistance, 1e-6 to 1e9 (0 cannot be matched)
  -x OHMS           load reactance, -1e9 to 1e9 (positive: inductive)
  --z0 OHMS         reference impedance, 1 to 1e4 (default 50)
  --series NAME     standard values: E6, E12, E24, E48, E96 or none (default E12)
  --ql Q            quality factor of the coil, 1 to 1e6 (default 200)
  --qc Q            quality factor of the capacitor, 1 to 1e6 (default 1000)
  --power W         the transmitter's power in watts, above 0 up to 1e7
                    (default 100): into the network, or into the station
                    with --line
  --json            one JSON object on stdout instead of the table
  --parts           the parts as built (see below): under the table a block
                    per network, with --json keys of each network
  --coil-form MM    diameter of the form of a single-layer air coil, with
                    --wire MM (the wire's diameter) and --pitch MM (turn to
                    turn, default the wire's diameter: close-wound); the
                    form 2 to 300, the wire 0.05 to 10, the pitch from the
                    wire's diameter to 50
  --toroid CORE     an iron-powder toroid to wind the coils on: T-37, T-50,
                    T-68, T-80, T-94, T-106, T-130, T-157 or T-200 in mix 2
                    or 6, e.g. T-130-2
  --help, -h        this text
  --version         the program's version

  pentarix-match -f 7 -r 25 -x -30 --series E24 --ql 150 --power 500

The parts as built (--parts or a winding option, with or without --json): "as built"
is what the standard parts do with the Qs at the power; "for lossy parts" the
values that present exactly Z0 with the coil's and the capacitor's Q ("none"
where the losses make it impossible); "pair" the two standard parts that come
nearest those values (one part when it is as close); each coil's RMS current
and its turns on the form or the toroid (wound for the lossy values), each
capacitor's peak voltage and the rated voltage to buy (at least twice the
peak). With --touchstone and --batch the same keys in each point's or
line's JSON object, or a block for the chart's network under each row.

  pentarix-match -f 14.2 -r 12 -x 20 --coil-form 20 --wire 1.5 --toroid T-106-2
  pentarix-match --batch loads.txt --toroid T-106-2 --json

       pentarix-match --envelope --swr S [--bands MHZ,MHZ,...] [--power W]
                      [--ql Q] [--qc Q] [--line LINE --length M
                      [--tuner shack|antenna]] [--json]

The tuner-design envelope: for every load on the circle of SWR S against
50 ohm, one degree apart, the network the chart draws; per band the smallest
and largest L and C, the highest shunt voltage and series current at the
power, the lowest efficiency with the Qs, and how many points are LC and CL.
With --line the circle is the antenna's, moved through the line to the
tuner at each band, the stresses at the power the tuner carries.

  --swr S           SWR of the circle (at least 1)
  --bands LIST      frequencies in MHz, comma-separated, each 0.001 to 100000
                    (default: the amateur bands' centres 1.85,3.65,7.1,
                    10.125,14.175,18.118,21.225,24.94,28.85,50.15)

  pentarix-match --envelope --swr 2.5 --bands 3.65,7.1,14.175 --power 500

       pentarix-match --touchstone FILE [--z0 OHMS] [--series NAME] [--ql Q]
                      [--qc Q] [--power W] [--parts] [--json]

The band table of a measured antenna (.s1p, or .s2p whose S11 is used): per
frequency the load, its SWR and the network the chart draws,
"f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1" (L and C are 0 for a part
the network lacks; a load that cannot be matched leaves them empty). With
--json, an array of the single-load objects, one per frequency, which the
other options shape.

  pentarix-match --touchstone dipole.s1p --json

The file may be a Touchstone 1 or 2 file (.s1p, .s2p, .ts) or an analyser's
CSV export (.csv: a header naming the frequency and R and X, or S11 as real
and imaginary or magnitude and angle); its content tells which.

       pentarix-match --analyser PORT|tcp:HOST[:PORT] --start MHZ --stop MHZ
                      [--points N] [--save FILE.s1p] [options of --touchstone]

One sweep of an analyser in place of the file, in the --touchstone and
--bandwidth modes: a NanoVNA on a serial port (its shell; 101 points at
most, 401 on -H4 firmware) or LibreVNA's SCPI server (tcp:localhost:19542
by default). --points defaults to 101; --save writes the sweep as a
Touchstone file (S11, real and imaginary).

"--analyser list" prints the serial ports found, a NanoVNA marked by its USB
ID (0483:5740).

  pentarix-match --analyser /dev/ttyACM0 --start 6.9 --stop 7.3 --points 41
  pentarix-match --bandwidth -f 7.1 --analyser tcp:localhost --start 6 --stop 8

       pentarix-match --bandwidth -f MHZ -r OHMS -x OHMS [--z0 OHMS] [--json]
       pentarix-match --bandwidth -f MHZ --touchstone FILE [--z0 OHMS] [--json]

Where the SWR of the chart's network, designed at -f for the load, rises
above 1.5 and 2 on either side of -f, for a load that stays constant and for
one whose reactance is a coil (X > 0) or a capacitor (X < 0). An edge not
reached within +-50 % of -f is shown as "-" (null in JSON). With --touchstone
the load is the file's at -f (linear between its points; -f must lie within
the file), and the measured model comes first: the edges from the file's own
points (the crossing between the first point beyond the limit and the one
before), "-" where the SWR stays below the limit up to the file's end.

  pentarix-match --bandwidth -f 7.1 -r 25 -x -30
  pentarix-match --bandwidth -f 7.1 --touchstone dipole.s1p --json

       pentarix-match --batch [FILE] [--z0 OHMS] [--series NAME] [--ql Q]
                      [--qc Q] [--power W] [--parts] [--json]

Many loads, one a line of FILE (standard input when FILE is "-" or missing):
"f r x" in MHz and ohm, separated by blanks, tabs, commas or semicolons;
"#" starts a comment, blank lines are skipped. Per load one row: the load,
its SWR and the network the chart draws, in the columns above; with --json
the single-load object, one a line. A bad line is named on stderr and
skipped, the others are designed, and the exit status is then 2.

  pentarix-match --batch loads.txt --series E24
  printf '7.1 25 -30\n14.2,80,40\n' | pentarix-match --batch --json

       pentarix-match ... --line NAME|Z0,VF,DB@MHZ[,DB@MHZ...] --length M
                      [--at antenna|shack] [--tuner shack|antenna]
       pentarix-match --line list

A feed line between the antenna and the tuner, in the single-load,
--touchstone, --bandwidth, --batch and --envelope modes: the station is
transmitter, tuner, line, antenna (tuner in the shack) or transmitter, line,
tuner, antenna (tuner at the antenna). The given load (-r -x, the file's,
the batch's) is the antenna's or was measured at the shack end (--at,
default antenna); the tuner is in the shack or at the antenna (--tuner,
default shack). The networks are designed for the tuner's end: the load
moved through the line where the two differ. With the tuner at the antenna
the line ends in its input, with the parts' losses. A few lines before the
table (a JSON "line" object) give the line's ends with their SWR against the
line's Z0 and against its complex characteristic impedance Zc, its
electrical length, its matched and total loss and the power into the shack
end that reaches the antenna end; a "power:" line (JSON "power":
transmitter_w, tuner_loss_w, line_loss_w, antenna_w) follows --power through
the chain with the chart's network, the first the sum of the others. Each
network's voltage and current are at the power it carries. With --bandwidth
every load model is the antenna's (a shack reading taken back once, at -f)
and moves through the line at every frequency. A shack reading no antenna
can give through the line (it would need R < 0 at the antenna) is refused.

  --line NAME       a line of the catalogue; case, blanks, hyphens and "/U"
                    do not count (rg213 is RG-213/U); "--line list" prints
                    it with each line's loss on the bands
  --line Z0,VF,DB@MHZ[,DB@MHZ...]
                    a line of one's own: Z0 1 to 1e4 ohm, velocity factor
                    0.1 to 1, matched loss 0 to 1000 dB/100 m at one or more
                    different frequencies; the loss follows k1*sqrt(f) + k2*f
                    fitted with k1, k2 >= 0 (a negative term is held at 0
                    and a note says so)
  --length M        the line's length in metres, 0 to 100000 (100 km)
  --at WHERE        the given load is the antenna's or measured at the shack
  --tuner WHERE     the tuner stands in the shack or at the antenna

  pentarix-match -f 7.1 -r 60 -x 20 --line RG-213/U --length 30
  pentarix-match --touchstone dipole.s1p --line RG-213/U --length 30 --at shack --tuner antenna
  pentarix-match -f 3.6 -r 50 -x 0 --line 50,0.66,4.6@10,15.7@100 --length 40 --json

       pentarix-match ... --network tee|pi [--c-in MIN-MAX] [--l MIN-MAX]
                      [--c-out MIN-MAX]
       pentarix-match --coverage -f MHZ --network tee|pi [--grid N] [--json]

A three-part tuner in place of the L networks, in the single-load,
--touchstone and --batch modes (with --line, for the load the line presents
at the tuner): the high-pass T (series C in at the transmitter, shunt coil,
series C out at the antenna) or the low-pass Pi (shunt C in, series coil,
shunt C out), each part within its range and with its Q (--ql, --qc: a
series resistance of |X|/Q). Of the settings that present exactly Z0 with
the losses: "least loss", the one that loses least; "largest C", the
capacitor on the low-impedance side (the load's side when its resistance,
series for the T and parallel for the Pi, is below Z0) as large as a match
allows; "least L", the smallest coil that matches. Each with its loss, its
efficiency (power into the load / power into the tuner), the capacitors'
peak voltages and the coil's RMS current at --power, and "+dB", its loss
above the least. A load no setting matches is named with the lowest SWR the
ranges reach. --batch and --touchstone rows show the least-loss setting and
the two penalties. --series and the parts-as-built options do not apply.

  --network KIND    l (the L networks, default), tee or pi
  --c-in MIN-MAX    C in's range in pF (default 10-250)
  --l MIN-MAX       the coil's range in uH (default 0.1-30)
  --c-out MIN-MAX   C out's range in pF (default 10-250); each end above 0,
                    at most 1e6, MIN not above MAX
  --coverage        the loads the tuner can match at -f: an N x N grid of
                    the reflection coefficient against --z0, from -1 to 1 on
                    both axes, edges included, as CSV "gamma_re,gamma_im,
                    reachable,least_loss_db" (reachable 1 or 0, the least
                    loss in dB, empty when unreachable) or with --json one
                    object a line; points on or outside the unit circle are
                    unreachable
  --grid N          the grid's size, 2 to 4096 (default 101; 661 puts a
                    point on every pixel of a chart of radius 330)

  pentarix-match -f 3.7 -r 5 -x 0 --network tee --ql 100
  pentarix-match --coverage -f 3.7 --network tee --grid 201 > coverage.csv

       pentarix-match --project FILE.pentarix [--json] [--parts]

The design a project saved by Pentarix holds (Soubor -> Uložit projekt…),
printed as the single-load mode prints its load, or as --touchstone prints
its measurement when it holds one, with the project's Z0, series, Qs, power
and feed line (when the line took part: its window was open, or the load
was moved to the tuner's end by it).

  pentarix-match --project dipole.pentarix --json

Bad input, an option that does not apply to the mode, an option given twice
or a value outside its range: one line on stderr, exit status 2, nothing on
stdout.
)USAGE";

const std::vector<std::string> Valued = {
    "-f",         "-r",        "-x",           "--z0",        "--series", "--ql",
    "--qc",       "--power",   "--touchstone", "--swr",       "--bands",  "--line",
    "--length",   "--at",      "--tuner",      "--coil-form", "--wire",   "--pitch",
    "--toroid",   "--network", "--c-in",       "--l",         "--c-out",  "--grid",
    "--analyser", "--start",   "--stop",       "--points",    "--save",   "--project"};
const std::vector<std::string> Flags = {"--json",  "--help", "--bandwidth", "--envelope",
                                        "--parts", "-h",     "--version",   "--coverage"};
// Its file may be left out: standard input.
const std::vector<std::string> OptionalValued = {"--batch"};

// The modes and the options each takes; anything else given is refused
// rather than ignored. The first mode whose choosing options are all given
// runs, so the measured bandwidth comes before the band table.
struct TMode {
    std::vector<std::string> Chosen; // none: the single load
    std::vector<std::string> Allowed;
    int (*Run)(const TCliArgs&, std::ostream&);
    // Writes straight to stdout once its checks and the file are done, so
    // that a large file never sits in memory as text.
    bool Streams;
};
const TMode Modes[] = {
    // The project's own load, line and options: only how to print it is asked.
    {{"--project"},
     {"--project", "--json", "--parts", "--coil-form", "--wire", "--pitch", "--toroid"},
     RunProject,
     true},
    // First, so that a load or a file given with it is refused in its name.
    {{"--batch"},
     {"--batch", "--z0",     "--series",  "--ql",    "--qc",    "--power",     "--json",
      "--line",  "--length", "--at",      "--tuner", "--parts", "--coil-form", "--wire",
      "--pitch", "--toroid", "--network", "--c-in",  "--l",     "--c-out"},
     RunBatch,
     true},
    {{"--coverage"},
     {"--coverage", "-f", "--grid", "--z0", "--ql", "--qc", "--json", "--network", "--c-in", "--l",
      "--c-out"},
     RunCoverage,
     true},
    {{"--envelope"},
     {"--envelope", "--swr", "--bands", "--power", "--ql", "--qc", "--json", "--line", "--length",
      "--tuner"},
     RunEnvelope,
     false},
    {{"--bandwidth", "--touchstone"},
     {"--bandwidth", "--touchstone", "-f", "--z0", "--json", "--line", "--length", "--at",
      "--tuner"},
     RunBandwidth,
     false},
    // One sweep of an analyser in place of the file.
    {{"--bandwidth", "--analyser"},
     {"--bandwidth", "--analyser", "--start", "--stop", "--points", "--save", "-f", "--z0",
      "--json", "--line", "--length", "--at", "--tuner"},
     RunBandwidth,
     false},
    {{"--bandwidth"},
     {"--bandwidth", "-f", "-r", "-x", "--z0", "--json", "--line", "--length", "--at", "--tuner"},
     RunBandwidth,
     false},
    {{"--touchstone"},
     {"--touchstone", "--z0",     "--series",  "--ql",    "--qc",    "--power",     "--json",
      "--line",       "--length", "--at",      "--tuner", "--parts", "--coil-form", "--wire",
      "--pitch",      "--toroid", "--network", "--c-in",  "--l",     "--c-out"},
     RunTouchstone,
     true},
    {{"--analyser"},
     {"--analyser", "--start", "--stop", "--points", "--save", "--z0", "--series", "--ql", "--qc",
      "--power", "--json", "--line", "--length", "--at", "--tuner"},
     RunTouchstone,
     true},
    {{},
     {"-f",      "-r",       "-x",        "--z0",   "--series", "--ql",    "--qc",        "--power",
      "--json",  "--line",   "--length",  "--at",   "--tuner",  "--parts", "--coil-form", "--wire",
      "--pitch", "--toroid", "--network", "--c-in", "--l",      "--c-out"},
     RunSingle,
     false},
};

bool Contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

const TMode& ModeOf(const TCliArgs& args) {
    for (const TMode& m : Modes)
        if (std::all_of(m.Chosen.begin(), m.Chosen.end(),
                        [&](const std::string& name) { return args.Has(name); }))
            return m;
    return Modes[std::size(Modes) - 1];
}

void RefuseOthers(const TCliArgs& args, const TMode& mode) {
    std::string name;
    for (const std::string& c : mode.Chosen)
        name += (name.empty() ? "" : " ") + c;
    for (const std::string& given : args.Names())
        if (!Contains(mode.Allowed, given))
            throw ECliError(given + " does not apply to " +
                            (name.empty() ? std::string("one load (-f -r -x)") : name) +
                            " (see --help)");
}

// A fault after a streaming mode's first rows: those rows still go out, as
// they did when stdout was the C library's, then the fault.
int Refused(const std::exception& e) {
    try {
        FlushOutput();
    } catch (const EOutputError&) {
    }
    std::cerr << "pentarix-match: " << e.what() << "\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // First, before any file is opened: a closed stdout is seen as such.
    std::ostream& output = Output();
    try {
        if (argc < 2) {
            std::cerr << UsageLine << "Try 'pentarix-match --help' for every mode and option.\n";
            return 2;
        }
        const TCliArgs args(argc, argv, Valued, Flags, OptionalValued);
        if (args.Has("--help") || args.Has("-h")) {
            output << UsageLine << Usage;
            FlushOutput();
            return 0;
        }
        if (args.Has("--version")) {
            output << "pentarix-match " PENTARIX_VERSION "\n";
            FlushOutput();
            return 0;
        }
        if (args.Has("--line") && args.Text("--line") == "list") {
            for (const std::string& given : args.Names())
                if (given != "--line") throw ECliError(given + " does not apply to --line list");
            WriteLineCatalogue(output);
            FlushOutput();
            return 0;
        }
        if (args.Has("--analyser") && args.Text("--analyser") == "list") {
            for (const std::string& given : args.Names())
                if (given != "--analyser")
                    throw ECliError(given + " does not apply to --analyser list");
            WriteAnalyserPorts(std::cout);
            return 0;
        }
        const TMode& mode = ModeOf(args);
        RefuseOthers(args, mode);
        if (mode.Streams) {
            const int status = mode.Run(args, output);
            FlushOutput();
            return status;
        }
        // Built whole before anything is printed, so a late error leaves stdout empty.
        std::ostringstream out;
        const int status = mode.Run(args, out);
        output << out.str();
        FlushOutput();
        return status;
    } catch (const EOutputError& e) {
        std::cerr << "pentarix-match: " << e.Message() << "\n";
        return 1;
    } catch (const std::exception& e) {
        // ECliError among them: a usage fault.
        return Refused(e);
    }
}
