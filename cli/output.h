#pragma once
// Standard output as every mode writes it: each write and the final flush
// checked, so that a full disk or a closed stdout is an error, not a cut file.

#include <ostream>
#include <string>

// The output could not be written; Errno says why. Not a std::exception, so
// that a mode which skips a load its arithmetic fails on never swallows it.
class EOutputError {
public:
    explicit EOutputError(int error) : Errno(error) {}
    // "cannot write the output: No space left on device"
    std::string Message() const;
    int Errno;
};

// The stream on standard output; a failed write throws EOutputError from the
// write that failed (or from FlushOutput), so that a long job stops there.
std::ostream& Output();
// Writes what is buffered; throws EOutputError when it cannot.
void FlushOutput();
