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
        const int status = RunSingle(args, out);
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
