// Where the renderer writes an output (the audio file, a saved bank or patch), treating whatever
// stands at the path as the user meant it:
// - "-" is standard output;
// - a device, a named pipe or a socket is written directly, never replaced;
// - a symbolic link is followed to the file it names, and that file is written;
// - a regular file, new or existing, is written to a temporary file beside it and renamed over
//   it once complete, so it appears only whole; it keeps the permissions of the file it
//   replaces, and a read-only file is refused.
// Contents always go to a seekable file first (audio formats go back to fill in their headers);
// for targets written directly it is an anonymous scratch file, copied to them at commit.
#pragma once

#include <string>

namespace sorvella {

struct OutputTarget {
    enum class Kind { kStandardOutput, kDirect, kRegularFile };
    Kind kind = Kind::kRegularFile;
    std::string shownPath;  // as the user wrote it, for messages
    std::string finalPath;  // symbolic links followed
    bool exists = false;
    dev_t device = 0;  // identity, when it exists
    ino_t inode = 0;
};

// Looks at the path without opening anything. False (with a sentence naming the path) for a
// directory, a read-only file, or a chain of links that does not end.
bool inspectOutputTarget(const std::string& path, OutputTarget& target, std::string& error);

// True when both name the same file, however they are spelt.
bool sameOutputTarget(const OutputTarget& a, const OutputTarget& b);

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path, std::string& error);
    // Where the contents go: seekable, open for reading and writing.
    int fd() const { return contents_; }
    const OutputTarget& target() const { return target_; }

    // Puts the contents in place: rename, or copy to the direct target.
    bool commit(std::string& error);
    // Closes and removes anything written so far.
    void discard();

  private:
    bool openBeside(std::string& error);
    bool openScratch(std::string& error);
    bool copyToDirect(std::string& error);

    OutputTarget target_;
    int contents_ = -1;
    int direct_ = -1;  // the device, pipe or standard output
    std::string temporary_;
    int cleanupSlot_ = -1;
};

}  // namespace sorvella
