#include "core/fx_files.h"

#include "platform/write_all.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/my_vsti.h"
#include "platform/error_box.h"
#include "platform/vst2/aeffect.h"
#include "platform/vst2/fx_file.h"

namespace sorvella {

namespace {

constexpr std::int32_t kInstrumentId = vst2::fourCC('S', 'O', 'R', 'V');
constexpr std::int32_t kFxVersion = 2;
constexpr std::size_t kPatchNameBytes = 24;

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a write lost at close time is seen.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Writes the file beside its destination and renames it into place once it is complete.
bool replaceFile(const char* path, const std::vector<std::uint8_t>& bytes) {
    if (!path || !*path) {
        reportError(kErrorOpening);
        return false;
    }
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp =
            std::string(path) + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        reportError(kErrorOpening);
        return false;
    }
    Fd file(fd);
    bool written = writeAll(file.get(), bytes.data(), bytes.size()) && ::fsync(file.get()) == 0;
    written = file.close() && written;
    if (!written || std::rename(temp.c_str(), path) != 0) {
        ::unlink(temp.c_str());
        reportError(kErrorWriting);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readFxFile(const char* path) {
    // Read only: a file the user may not write still loads. O_NONBLOCK keeps a FIFO at the path
    // from stalling the caller.
    Fd file(path ? ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK) : -1);
    struct stat st {};
    if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        reportError(kErrorOpening);
        return std::nullopt;
    }
    if (st.st_size <= 0) {
        reportError(kErrorReading);
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxFxFileBytes) {
        reportError(kErrorInvalidFormat);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            reportError(kErrorReading);
            return std::nullopt;
        }
        done += static_cast<std::size_t>(n);
    }
    return bytes;
}

namespace {

// The chunk after a header; a file too short for a header gives an empty chunk, which the
// instrument refuses as not being its own.
std::int32_t chunkAfter(std::size_t header, std::size_t size) {
    if (size <= header) return 0;
    return static_cast<std::int32_t>(std::min<std::size_t>(size - header, kMaxFxFileBytes));
}

}  // namespace

bool loadPatchBytes(MyVsti& instrument, const std::uint8_t* data, std::size_t size) {
    const std::int32_t chunk = chunkAfter(kPatchHeaderBytes, size);
    std::uint8_t* body = chunk > 0 ? const_cast<std::uint8_t*>(data) + kPatchHeaderBytes : nullptr;
    return instrument.setChunk(body, chunk, true) != 0;
}

bool loadBankBytes(MyVsti& instrument, const std::uint8_t* data, std::size_t size) {
    const std::int32_t chunk = chunkAfter(kBankHeaderBytes, size);
    std::uint8_t* body = chunk > 0 ? const_cast<std::uint8_t*>(data) + kBankHeaderBytes : nullptr;
    const bool loaded = instrument.setChunk(body, chunk, false) != 0;
    instrument.setProgram(0);
    return loaded;
}

std::vector<std::uint8_t> patchFileBytes(MyVsti& instrument) {
    void* chunk = nullptr;
    const std::int32_t size = instrument.chunkForFile(&chunk, true);
    if (size <= 0 || !chunk) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(chunk);
    // The chunk has just stored the working program into the current slot. Its name field goes
    // out as it stands, 24 bytes and then zeros.
    const std::string name(instrument.programSlot(instrument.getProgram()).name(), kPatchNameBytes);
    return fxPatchChunkFile(kInstrumentId, kFxVersion, kNumParams, name, {bytes, bytes + size});
}

std::vector<std::uint8_t> bankFileBytes(MyVsti& instrument) {
    void* chunk = nullptr;
    const std::int32_t size = instrument.chunkForFile(&chunk, false);
    if (size <= 0 || !chunk) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(chunk);
    return fxBankChunkFile(kInstrumentId, kFxVersion, kNumPrograms, {bytes, bytes + size});
}

bool loadPatchFile(MyVsti& instrument, const char* path) {
    auto bytes = readFxFile(path);
    return bytes && loadPatchBytes(instrument, bytes->data(), bytes->size());
}

bool loadBankFile(MyVsti& instrument, const char* path) {
    auto bytes = readFxFile(path);
    return bytes && loadBankBytes(instrument, bytes->data(), bytes->size());
}

bool savePatchFile(MyVsti& instrument, const char* path) {
    std::vector<std::uint8_t> bytes = patchFileBytes(instrument);
    return !bytes.empty() && replaceFile(path, bytes);
}

bool saveBankFile(MyVsti& instrument, const char* path) {
    std::vector<std::uint8_t> bytes = bankFileBytes(instrument);
    return !bytes.empty() && replaceFile(path, bytes);
}

}  // namespace sorvella
