#pragma once
// The command-line designer's shared pieces: options, number parsing, JSON
// and table output. Each mode lives in its own file.

#include "lnetwork.h"
#include "quantity.h"

#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// A usage fault: printed as one line on stderr, exit status 2.
class ECliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCliArgs {
public:
    // Options that take a value, and flags that do not; anything else is refused.
    TCliArgs(int argc, char** argv, const std::vector<std::string>& valued,
             const std::vector<std::string>& flags);
    bool Has(const std::string& name) const { return FValues.count(name) > 0; }
    const std::string& Text(const std::string& name) const;
    // A finite number; a missing option takes the fallback, or is an error
    // when there is none.
    double Number(const std::string& name) const;
    double Number(const std::string& name, double fallback) const;
    // The same, refused unless above 0.
    double Positive(const std::string& name) const;
    double Positive(const std::string& name, double fallback) const;

private:
    std::map<std::string, std::string> FValues;
};

std::string JsonString(const std::string& text);
// A fault of a typed number or list, in words.
std::string TextFaultEn(const ETextError& e);

// The options every design mode shares.
TDesignOptions DesignOptionsFrom(const TCliArgs& args);

// JSON fields of one network report, without the braces.
std::string NetworkJson(const TNetworkReport& rep);
// The single-load JSON object: frequency, z0, the load and every network.
std::string LoadJson(const TLoad& load, double fMHz, const TDesignOptions& options);
// A table of the reports with its header line.
void WriteNetworkTable(std::ostream& out, const std::vector<TNetworkReport>& reports);

// A Touchstone file's fault in English, "line N: " first when it belongs to
// a line; the caller names the file as the user gave it.
class ETouchstoneError;
std::string TouchstoneErrorEnglish(const ETouchstoneError& e);

int RunSingle(const TCliArgs& args, std::ostream& out);
int RunEnvelope(const TCliArgs& args, std::ostream& out);
int RunTouchstone(const TCliArgs& args, std::ostream& out);
int RunBandwidth(const TCliArgs& args, std::ostream& out);
