// pentarix-match: L networks for a load, from the command line.
#include "cli.h"

#include <iostream>
#include <sstream>

namespace {

const char* const Usage =
    R"(Usage: pentarix-match -f MHZ -r OHMS -x OHMS [options]

Every two-element L network that matches the load R + jX to the reference
impedance at the frequency; the network the chart draws comes first (marked *).

  -f MHZ            frequency in MHz (above 0)
  -r OHMS           load resistance (not negative; 0 cannot be matched)
  -x OHMS           load reactance (positive: inductive)
  --z0 OHMS         reference impedance (default 50)
  --series NAME     standard values: E6, E12, E24, E48, E96 or none (default E12)
  --ql Q            quality factor of the coil (default 200)
  --qc Q            quality factor of the capacitor (default 1000)
  --power W         power into the network in watts (default 100)
  --json            one JSON object on stdout instead of the table
  --help            this text

       pentarix-match --envelope --swr S [--bands MHZ,MHZ,...] [--power W]
                      [--ql Q] [--qc Q] [--json]

The tuner-design envelope: for every load on the circle of SWR S against
50 ohm, one degree apart, the network the chart draws; per band the smallest
and largest L and C, the highest shunt voltage and series current at the
power, the lowest efficiency with the Qs, and how many points are LC and CL.

  --swr S           SWR of the circle (at least 1)
  --bands LIST      frequencies in MHz, comma-separated (default: the amateur
                    bands' centres 1.85,3.65,7.1,10.125,14.175,18.118,21.225,
                    24.94,28.85,50.15)

       pentarix-match --touchstone FILE [--z0 OHMS] [--json]

The band table of a measured antenna (.s1p, or .s2p whose S11 is used): per
frequency the load, its SWR and the network the chart draws,
"f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1" (L and C are 0 for a part
the network lacks; a load that cannot be matched leaves them empty). With
--json, an array of the single-load objects, one per frequency.

       pentarix-match --bandwidth -f MHZ -r OHMS -x OHMS [--z0 OHMS] [--json]

Where the SWR of the chart's network, designed at -f for the load, rises
above 1.5 and 2 on either side of -f, for a load that stays constant and for
one whose reactance is a coil (X > 0) or a capacitor (X < 0). An edge not
reached within +-50 % of -f is shown as "-" (null in JSON).

Bad input: one line on stderr, exit status 2, nothing on stdout.
)";

const std::vector<std::string> Valued = {"-f",   "-r",   "-x",      "--z0",         "--series",
                                         "--ql", "--qc", "--power", "--touchstone", "--swr",
                                         "--bands"};
const std::vector<std::string> Flags = {"--json", "--help", "--bandwidth", "--envelope"};

} // namespace

int main(int argc, char** argv) {
    try {
        const TCliArgs args(argc, argv, Valued, Flags);
        if (args.Has("--help")) {
            std::cout << Usage;
            return 0;
        }
        // Built whole before anything is printed, so a late error leaves stdout empty.
        std::ostringstream out;
        const int status = args.Has("--envelope")      ? RunEnvelope(args, out)
                           : args.Has("--touchstone") ? RunTouchstone(args, out)
                           : args.Has("--bandwidth")  ? RunBandwidth(args, out)
                                                      : RunSingle(args, out);
        std::cout << out.str();
        return status;
    } catch (const ECliError& e) {
        std::cerr << "pentarix-match: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "pentarix-match: " << e.what() << "\n";
        return 2;
    }
}
