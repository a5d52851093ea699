#pragma once
// Touchstone version 1 reader (.s1p, .s2p): a measured antenna as the load
// impedance at each frequency. S11 of a two-port file is used; its noise
// block is skipped.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct TTouchstonePoint {
    double FrequencyMHz;
    double R; // load impedance in ohms
    double X;
};

struct TTouchstone {
    std::vector<TTouchstonePoint> Points; // frequencies rise strictly, every value finite
    double Reference = 50;                // the file's reference resistance in ohms
    int Ports = 1;
};

// A file that cannot be used. what() is the whole Czech message, starting
// with "řádek N: " when the fault belongs to line N; Line is 0 when it
// belongs to no line (size, empty file, missing file).
class ETouchstoneError : public std::runtime_error {
public:
    explicit ETouchstoneError(const std::string& message, int line = 0)
        : std::runtime_error(message), Line(line) {}
    int Line;
};

constexpr std::size_t TouchstoneMaxBytes = std::size_t(64) << 20;
constexpr std::size_t TouchstoneMaxPoints = 1000000;

// Parses the text of a file with `ports` ports (1 or 2).
TTouchstone ParseTouchstone(std::string_view text, int ports);

// Reads the file once, taking the port count from its extension (.s1p or
// .s2p, any case). Every message starts with the file's name: "<name>: ...".
TTouchstone ReadTouchstoneFile(const std::string& path);
