#include "output.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <streambuf>
#include <unistd.h>

std::string EOutputError::Message() const {
    return std::string("cannot write the output: ") + std::strerror(Errno);
}

namespace {

// A buffer in front of file descriptor 1 that reports every failed write()
// instead of leaving it for the C library to drop at exit.
class TCheckedBuf : public std::streambuf {
public:
    TCheckedBuf() {
        // A closed stdout: the descriptor is held by /dev/null so that no file
        // opened later (the input) becomes "standard output"; writing stays refused.
        if (fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
            FClosed = true;
            const int fd = open("/dev/null", O_WRONLY);
            if (fd >= 0 && fd != STDOUT_FILENO) {
                dup2(fd, STDOUT_FILENO);
                close(fd);
            }
        }
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }
    void Flush() {
        WriteAll(pbase(), std::size_t(pptr() - pbase()));
        setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    }

protected:
    int_type overflow(int_type c) override {
        Flush();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        if (n > epptr() - pptr()) {
            Flush();
            if (n >= std::streamsize(FBuffer.size())) {
                WriteAll(s, std::size_t(n));
                return n;
            }
        }
        std::memcpy(pptr(), s, std::size_t(n));
        pbump(int(n));
        return n;
    }
    int sync() override {
        Flush();
        return 0;
    }

private:
    void WriteAll(const char* s, std::size_t n) {
        if (n > 0 && FClosed) throw EOutputError(EBADF);
        while (n > 0) {
            const ssize_t written = write(STDOUT_FILENO, s, n);
            if (written < 0) {
                if (errno == EINTR) continue;
                throw EOutputError(errno);
            }
            s += written;
            n -= std::size_t(written);
        }
    }
    std::array<char, 1 << 16> FBuffer;
    bool FClosed = false;
};

TCheckedBuf& Buffer() {
    static TCheckedBuf buffer;
    return buffer;
}

} // namespace

std::ostream& Output() {
    static std::ostream out(&Buffer());
    // The stream passes the buffer's EOutputError on as it was thrown.
    static const bool rethrows = (out.exceptions(std::ios::badbit), true);
    (void)rethrows;
    return out;
}

void FlushOutput() {
    Output();
    Buffer().Flush();
}
