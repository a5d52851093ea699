// Many loads, one a line: the chart's network for each, as a table row or as
// the single-load JSON object.
#include "cli.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longer than any line of three numbers: a file that is no list of loads (a
// binary without line breaks) is read in pieces, not taken into memory whole.
constexpr std::streamsize MaxLineLength = 4096;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}
bool IsHardSeparator(char c) {
    return c == ',' || c == ';';
}

// The fields of a line, split at blanks, tabs, commas and semicolons. A comma
// or semicolon with blanks around it is one separator, so that "7.1, 25, -30"
// has three fields; two of them with nothing between leave an empty field.
struct TFields {
    std::string Items[3];
    std::size_t Count = 0;
    bool HasEmpty = false;
};

TFields SplitFields(std::string_view line) {
    TFields fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        const std::size_t begin = i;
        while (i < n && !IsBlank(line[i]) && !IsHardSeparator(line[i]))
            ++i;
        if (i == begin)
            fields.HasEmpty = true;
        else if (fields.Count < std::size(fields.Items))
            fields.Items[fields.Count] = std::string(line.substr(begin, i - begin));
        ++fields.Count;
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i == n) break;
        if (IsHardSeparator(line[i])) {
            ++i;
            while (i < n && IsBlank(line[i]))
                ++i;
            if (i == n) {
                fields.HasEmpty = true;
                ++fields.Count;
                break;
            }
        }
    }
    return fields;
}

// The line without its comment and surrounding blanks; empty for nothing to design.
std::string_view Content(std::string_view line) {
    line = line.substr(0, line.find('#'));
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    return line;
}

struct TBatchLoad {
    double FrequencyMHz;
    TLoad Load;
};

// Refused as the single load refuses its -f, -r and -x, the columns named f, r, x.
TBatchLoad LoadOfLine(std::string_view content) {
    const TFields fields = SplitFields(content);
    if (fields.HasEmpty) throw ECliError("an empty field between separators");
    if (fields.Count != 3)
        throw ECliError("expected 3 numbers (f r x), found " + std::to_string(fields.Count));
    const double f = TypedRanged("f", fields.Items[0], FrequencyRange);
    const TLoad load{TypedLoadR("r", fields.Items[1]),
                     TypedRanged("x", fields.Items[2], LoadXRange)};
    RequireMatchable(load, "r", fields.Items[1]);
    return {f, load};
}

std::string TableHeader(bool tuner) {
    return Cell("f MHz", 13) + Cell("R ohm", 12) + Cell("X ohm", 12) + Cell("SWR", 9) +
           (tuner ? TunerHeaderCells() : NetworkHeaderCells()) + "\n";
}

// The load and the network the chart draws for it, the others left undesigned.
// With a feed line, the load and its network are the tuner's end's.
// With a tuner, its least-loss setting in place of the network.
void AppendTableRow(std::string& s, const TBatchLoad& b, const TDesignOptions& options,
                    const TFeed* feed, const TWindingOptions* winding, const TTuner* tuner) {
    if (tuner) {
        const TLoad load =
            feed ? TunerLoadChecked(*feed, b.Load, b.FrequencyMHz, "the load") : b.Load;
        s += Cell(FormatFixed(b.FrequencyMHz, 6), 13);
        s += Cell(FormatFixed(load.R, 3), 12);
        s += Cell(FormatFixed(load.X, 3), 12);
        s += Cell(SwrText(Swr({load.R, load.X}, options.Z0)), 9);
        s += TunerCells(*tuner, load, b.FrequencyMHz, options);
        return;
    }
    const TLoadDesign d = DesignLoad(b.Load, b.FrequencyMHz, options, feed, true);
    const TLoad& load = d.TunerLoad;
    s += Cell(FormatFixed(b.FrequencyMHz, 6), 13);
    s += Cell(FormatFixed(load.R, 3), 12);
    s += Cell(FormatFixed(load.X, 3), 12);
    s += Cell(SwrText(Swr({load.R, load.X}, options.Z0)), 9);
    s += NetworkCells(d.Reports.front());
    if (winding) {
        // The chart's network's parts as built, under its row.
        std::ostringstream block;
        WritePartsBlocks(
            block, d.Reports,
            {BuildParts(d.Reports.front(), load, b.FrequencyMHz, d.Carried.front(), *winding)},
            options.Series, *winding);
        std::string text = block.str();
        if (!text.empty() && text.back() == '\n') text.pop_back();
        s += text;
    }
}

// Checked before the first line is read, so that a file that cannot be read
// leaves stdout empty.
void OpenInput(const std::string& path, std::ifstream& file) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) throw ECliError(path + ": no such file");
    if (std::filesystem::is_directory(status)) throw ECliError(path + ": is a directory");
    file.open(path, std::ios::binary);
    if (!file) throw ECliError(path + ": cannot open the file");
}

// Reading a directory only fails at the first read, which looks like an empty list.
void RefuseDirectoryStdin() {
    struct stat status;
    if (fstat(STDIN_FILENO, &status) == 0 && S_ISDIR(status.st_mode))
        throw ECliError("standard input: is a directory");
}

} // namespace

int RunBatch(const TCliArgs& args, std::ostream& out) {
    const TDesignOptions options = DesignOptionsFrom(args);
    const std::optional<TFeed> feed = FeedFrom(args);
    const TFeed* feedLine = feed ? &*feed : nullptr;
    const TWindingOptions windingOptions = WindingOptionsFrom(args);
    const TWindingOptions* winding = WantsParts(args) ? &windingOptions : nullptr;
    const std::optional<TTuner> tuner = TunerFrom(args);
    const bool json = args.Has("--json");
    const std::string& path = args.Text("--batch");
    const bool fromStdin = path.empty() || path == "-";
    std::ifstream file;
    if (!fromStdin) OpenInput(path, file);
    if (fromStdin) RefuseDirectoryStdin();
    std::istream& in = fromStdin ? std::cin : file;

    if (!json && feed) out << FeedText(*feed) << "; rows for the tuner's end\n";
    if (!json)
        out << "Z0 " << FormatFixed(options.Z0, 1) << " ohm; "
            << (tuner ? TunerOptionsText(*tuner, options) : DesignOptionsText(options)) << "\n"
            << TableHeader(bool(tuner));
    bool anyBad = false;
    char line[MaxLineLength];
    std::string text; // one row at a time, its capacity kept from row to row
    for (long number = 1;; ++number) {
        in.getline(line, MaxLineLength);
        if (in.bad()) throw ECliError((fromStdin ? "standard input" : path) + ": error reading");
        std::string fault;
        if (in.fail()) {
            if (in.gcount() == 0 && in.eof()) break;
            in.clear();
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            fault = "longer than " + std::to_string(MaxLineLength - 1) + " characters";
        } else {
            // The line break counts in gcount, except after the last line.
            const std::string_view content =
                Content({line, std::size_t(in.gcount() - (in.eof() ? 0 : 1))});
            if (content.empty()) continue;
            try {
                const TBatchLoad load = LoadOfLine(content);
                text.clear();
                if (json && tuner)
                    AppendTunerLoadJson(text, *tuner, load.Load, load.FrequencyMHz, options,
                                        feedLine);
                else if (json)
                    AppendLoadJson(text, load.Load, load.FrequencyMHz, options, feedLine, winding);
                else
                    AppendTableRow(text, load, options, feedLine, winding,
                                   tuner ? &*tuner : nullptr);
                text += '\n';
                out.write(text.data(), std::streamsize(text.size()));
                continue;
            } catch (const std::exception& e) {
                // A load the arithmetic fails on is one bad line, not the end of the job.
                fault = e.what();
            }
        }
        anyBad = true;
        std::cerr << ("pentarix-match: line " + std::to_string(number) + ": " + fault + "\n");
    }
    out.flush();
    return anyBad ? 2 : 0;
}
