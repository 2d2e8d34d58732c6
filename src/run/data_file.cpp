#include "run/data_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string_view>
#include <system_error>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

std::string makeDataFileName(const Params& p, std::string_view label) {
    std::string flags;
    if (p.firstOut) {
        flags = "_fOut";
    }
    if (p.lastOut) {
        flags = "_lOut";
    }
    if (p.sameStart) {
        flags += "_samStart";
    }
    std::string name = "murData_";
    name += label;
    name += "_w" + p.width + "x" + p.height + "_c" + p.cycles + "_r" + p.runs + "_ag" + p.agents;
    return name + flags + "_s" + p.seed;
}

std::string dataFileText(const SimState& s, char decimalSeparator) {
    std::string text = "No.Run\tFirst\tLast\tAg. on target %\r\n";
    for (int r = 0; r < s.runCount; ++r) {
        const RunStatsRow& row = s.runStats[static_cast<std::size_t>(r)];
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) {
                text += '\t';
            }
            text += formatNumber(row[c], decimalSeparator);
        }
        text += "\r\n";
    }
    return text;
}

namespace {

Error cannotWrite(const std::string& fileName, const std::filesystem::path& directory,
                  const std::string& reason) {
    return Error("Cannot write " + fileName + " in " + directory.string() + ":\n" + reason);
}

// A new, empty file with a name no other writer uses, so that two programs writing into one
// folder never share it. Its name is short, so a data file whose own name is as long as the
// folder allows can still be written through it.
struct TemporaryFile {
    std::filesystem::path path;
    int descriptor = -1;
};

// It is made with the permissions any new file gets, 0666 less the umask (or what the folder's
// default ACL gives), so that the file it becomes needs no change of mode, and the mask need not
// be read. Its name mixes this process's number, a count and the clock; a name taken by another
// writer is passed over, as O_EXCL tells.
TemporaryFile createTemporaryFile(const std::filesystem::path& directory) {
    static std::atomic<std::uint64_t> made{0};
    constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::string prefix = (directory / ".murelta-").string();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // SplitMix64's finaliser spreads the three into every bit of the name.
        std::uint64_t bits =
            (static_cast<std::uint64_t>(::getpid()) << 40) ^ (made++ * 0x9E3779B97F4A7C15ULL) ^
            static_cast<std::uint64_t>(
                std::chrono::steady_clock::now().time_since_epoch().count());
        bits = (bits ^ (bits >> 30)) * 0xBF58476D1CE4E5B9ULL;
        bits = (bits ^ (bits >> 27)) * 0x94D049BB133111EBULL;
        bits ^= bits >> 31;
        std::string path = prefix;
        for (int k = 0; k < 6; ++k) {
            path += kLetters[bits % kLetters.size()];
            bits /= kLetters.size();
        }
        path += ".part";
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            return {path, descriptor};
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

void removeQuietly(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

}  // namespace

void checkFileName(const std::string& fileName, const std::filesystem::path& directory) {
    if (fileName.find('/') != std::string::npos || fileName.find('\0') != std::string::npos) {
        throw cannotWrite(fileName, directory, "the name may not contain \"/\".");
    }
    const long limit = ::pathconf(directory.c_str(), _PC_NAME_MAX);
    const std::size_t most = limit > 0 ? static_cast<std::size_t>(limit) : 255;
    if (fileName.size() > most) {
        throw cannotWrite(fileName, directory,
                          "the name is " + std::to_string(fileName.size()) +
                              " bytes long and this folder allows at most " + std::to_string(most) +
                              "; choose a shorter label.");
    }
}

void checkDataFileWritable(const SimState& s, const std::filesystem::path& directory) {
    const std::string fileName = s.dataFileName + ".xls";
    checkFileName(fileName, directory);
    // The record beside it has the longest extension.
    checkFileName(s.dataFileName + ".toml", directory);
    const TemporaryFile probe = createTemporaryFile(directory);
    if (probe.descriptor < 0) {
        throw cannotWrite(fileName, directory, std::strerror(errno));
    }
    ::close(probe.descriptor);
    removeQuietly(probe.path);
}

namespace {

// Passes what a stream writes on to a file descriptor, in pieces of a fixed size, and keeps the
// reason of the first write that failed.
class DescriptorBuffer : public std::streambuf {
  public:
    explicit DescriptorBuffer(int descriptor) : descriptor_(descriptor) { reset(); }
    // Writes out what is buffered; false once a write has failed.
    bool drain() {
        const char* from = pbase();
        while (error_ == 0 && from < pptr()) {
            const ssize_t n = ::write(descriptor_, from, static_cast<std::size_t>(pptr() - from));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error_ = n < 0 ? errno : ENOSPC;
            } else {
                from += n;
            }
        }
        reset();
        return error_ == 0;
    }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type c) override {
        if (!drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return drain() ? 0 : -1; }

  private:
    void reset() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

    int descriptor_;
    int error_ = 0;
    // Left unset: only what is written is read, and zeroing it all would fault in all its
    // pages for a file of a few lines.
    std::array<char, 1 << 16> buffer_;
};

}  // namespace

std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName, const std::string& text,
                                          bool replace) {
    return writeFileAtomically(
        directory, fileName,
        [&](std::ostream& out) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        },
        replace);
}

std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName,
                                          const std::function<void(std::ostream&)>& write,
                                          bool replace) {
    checkFileName(fileName, directory);
    const TemporaryFile temporary = createTemporaryFile(directory);
    if (temporary.descriptor < 0) {
        throw cannotWrite(fileName, directory, std::strerror(errno));
    }
    // Whatever stops the writing, the temporary file goes.
    const auto abandon = [&](const std::string& reason) {
        ::close(temporary.descriptor);
        removeQuietly(temporary.path);
        throw cannotWrite(fileName, directory, reason);
    };
    {
        DescriptorBuffer buffer(temporary.descriptor);
        std::ostream out(&buffer);
        try {
            write(out);
        } catch (...) {
            ::close(temporary.descriptor);
            removeQuietly(temporary.path);
            throw;
        }
        if (!buffer.drain()) {
            abandon(std::strerror(buffer.error()));
        }
    }
    if (::close(temporary.descriptor) != 0) {
        const std::string reason = std::strerror(errno);
        removeQuietly(temporary.path);
        throw cannotWrite(fileName, directory, reason);
    }
    std::filesystem::path target = directory / fileName;
    if (!replace) {
        // Takes the name only if it is free, also against another program doing the same.
        if (::renameat2(AT_FDCWD, temporary.path.c_str(), AT_FDCWD, target.c_str(),
                        RENAME_NOREPLACE) == 0) {
            return target;
        }
        const int failure = errno;
        if (failure == EINVAL || failure == ENOSYS) {
            // A file system without the call: a hard link is as exclusive.
            if (::link(temporary.path.c_str(), target.c_str()) == 0) {
                removeQuietly(temporary.path);
                return target;
            }
        }
        const int reason = failure == EINVAL || failure == ENOSYS ? errno : failure;
        removeQuietly(temporary.path);
        if (reason == EEXIST) {
            throw FileExists(fileName + " is already in " + directory.string() + ".");
        }
        throw cannotWrite(fileName, directory, std::strerror(reason));
    }
    std::error_code error;
    std::filesystem::rename(temporary.path, target, error);
    if (error) {
        removeQuietly(temporary.path);
        throw cannotWrite(fileName, directory, error.message());
    }
    return target;
}

std::string readText(const std::filesystem::path& path, std::string_view what) {
    const auto failed = [&](int error) {
        return Error("Cannot read the " + std::string(what) + " " + path.string() + ": " +
                     std::strerror(error) + ".");
    };
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        throw failed(errno);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(descriptor, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            ::close(descriptor);
            throw failed(error);
        }
        if (n == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(descriptor);
    return text;
}

unsigned fileCreationMask() {
    // Linux tells the mask in /proc; umask() itself can only read it by setting it, which would
    // race with another thread doing the same.
    if (const int status = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC); status >= 0) {
        char buffer[4096];
        const ssize_t n = ::read(status, buffer, sizeof buffer - 1);
        ::close(status);
        if (n > 0) {
            buffer[n] = '\0';
            if (const char* line = std::strstr(buffer, "\nUmask:")) {
                return static_cast<unsigned>(std::strtoul(line + 7, nullptr, 8)) & 0777U;
            }
        }
    }
    static std::mutex guard;
    const std::lock_guard lock(guard);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<unsigned>(mask);
}

std::string freeFileStem(const std::filesystem::path& directory, const std::string& name) {
    for (int k = 1;; ++k) {
        const std::string stem = k == 1 ? name : name + "_" + std::to_string(k);
        std::error_code error;
        const bool taken = std::filesystem::exists(directory / (stem + ".xls"), error) ||
                           std::filesystem::exists(directory / (stem + ".toml"), error) ||
                           std::filesystem::exists(directory / (stem + ".csv"), error);
        if (!taken) {
            return stem;
        }
    }
}

std::filesystem::path writeDataFile(const SimState& s, const std::filesystem::path& directory,
                                    char decimalSeparator) {
    const std::string text = dataFileText(s, decimalSeparator);
    for (;;) {
        try {
            return writeFileAtomically(directory, freeFileStem(directory, s.dataFileName) + ".xls",
                                       text, false);
        } catch (const FileExists&) {
            // Another program took that name between the look and the write: the next one.
        }
    }
}

std::string dataFileReport(const std::string& fileName, bool complete,
                           const std::string& intended) {
    std::string text = "Simulation finished. Data file has bee saved!\r\n";
    if (!complete) {
        text += "Since you have interrupted the simulation, saved data are not completed!\r\n";
    }
    text += fileName;
    if (!intended.empty() && intended != fileName) {
        text += "\r\n(" + intended + " was there already and is kept.)";
    }
    return text;
}

}  // namespace murelta
